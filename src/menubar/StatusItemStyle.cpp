#include "StatusItemStyle.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

QFont StatusItemStyle::titleFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Resolved first: Qt passes over a generic alias such as "Monospace" in a family list.
    QStringList families{QFontInfo(font).family()};
    const QString cjkMono = u"Noto Sans Mono CJK SC"_s;
    if (QFontDatabase::hasFamily(cjkMono))
        families.append(cjkMono);
    font.setFamilies(families);
    font.setStyleHint(QFont::Monospace);
    font.setWeight(QFont::Medium);
    // Points of the design are logical pixels; font points follow the screen's logical DPI.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(titleFontSize * 72.0 / dpi);
    return font;
}

QColor StatusItemStyle::titleColor()
{
    return QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f);
}

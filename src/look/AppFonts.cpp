#include "AppFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal lineFactor = 1.2;

qreal logicalDpi()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}

QStringList installed(const QStringList &families)
{
    QStringList found;
    for (const QString &family : families) {
        if (QFontDatabase::hasFamily(family))
            found.append(family);
    }
    return found;
}

// The family a generic desktop font name such as "Sans Serif" resolves to, so that it stays
// first: given unresolved, Qt skips an alias in a family list and takes the next family.
QString resolvedFamily(const QFont &font)
{
    return QFontInfo(font).family();
}

} // namespace

QFont AppFonts::ui(qreal size, QFont::Weight weight)
{
    static const QStringList families = [] {
        QStringList list{resolvedFamily(QGuiApplication::font())};
        list += cjkFallbackFamilies();
        list.removeDuplicates();
        return list;
    }();
    return make(families, size, weight);
}

QFont AppFonts::serif(qreal size, QFont::Weight weight)
{
    static const QStringList families = [] {
        QFont generic(u"serif"_s);
        generic.setStyleHint(QFont::Serif);
        QStringList list{resolvedFamily(generic)};
        list += installed({u"Noto Serif CJK SC"_s, u"Source Han Serif SC"_s, u"AR PL UMing CN"_s});
        list += cjkFallbackFamilies();
        list.removeDuplicates();
        return list;
    }();
    return make(families, size, weight);
}

QStringList AppFonts::cjkFallbackFamilies()
{
    return installed({u"Noto Sans CJK SC"_s, u"Source Han Sans SC"_s, u"WenQuanYi Micro Hei"_s});
}

qreal AppFonts::designSize(const QFont &font)
{
    return font.pointSizeF() * logicalDpi() / 72.0;
}

qreal AppFonts::lineHeight(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return std::min(metrics.ascent() + metrics.descent(), designSize(font) * lineFactor);
}

qreal AppFonts::baseline(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return (lineHeight(font) - metrics.ascent() - metrics.descent()) / 2 + metrics.ascent();
}

QFont AppFonts::scaled(const QFont &font, qreal factor)
{
    QFont copy = font;
    copy.setPointSizeF(font.pointSizeF() * factor);
    return copy;
}

QFont AppFonts::make(const QStringList &families, qreal size, QFont::Weight weight)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(size * 72.0 / logicalDpi());
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

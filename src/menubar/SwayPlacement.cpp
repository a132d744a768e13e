#include "SwayPlacement.h"

#include "PanelLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QRect rectOf(const QJsonValue &value)
{
    const QJsonObject rect = value.toObject();
    return {rect.value("x"_L1).toInt(), rect.value("y"_L1).toInt(), rect.value("width"_L1).toInt(),
            rect.value("height"_L1).toInt()};
}

const QStringList panelCommands{u"floating enable"_s, u"sticky enable"_s, u"border none"_s};

} // namespace

std::optional<SwayPlacement::Area> SwayPlacement::focusedArea(const QByteArray &workspaces,
                                                              const QByteArray &outputs)
{
    QString outputName;
    QRect usable;
    for (const QJsonValue workspace : QJsonDocument::fromJson(workspaces).array()) {
        if (workspace["focused"_L1].toBool()) {
            outputName = workspace["output"_L1].toString();
            usable = rectOf(workspace["rect"_L1]);
        }
    }
    if (usable.isEmpty())
        return std::nullopt;
    for (const QJsonValue output : QJsonDocument::fromJson(outputs).array()) {
        const QRect rect = rectOf(output["rect"_L1]);
        if (output["name"_L1].toString() == outputName && rect.contains(usable))
            return Area{rect, usable};
    }
    return std::nullopt;
}

QPoint SwayPlacement::panelOrigin(const Area &area, const std::optional<QPoint> &click,
                                  QSize panelSize)
{
    const QRect &output = area.output;
    const QRect &usable = area.usable;
    std::optional<QRectF> bar;
    // The part of the bar under the click, one pixel wide: the panel centres on it.
    if (click && output.contains(*click) && click->x() >= usable.left()
        && click->x() <= usable.right()) {
        const qreal x = click->x() - 0.5;
        if (click->y() < usable.top())
            bar = QRectF(x, output.top(), 1, usable.top() - output.top());
        else if (click->y() > usable.bottom())
            bar = QRectF(x, usable.bottom() + 1, 1, output.bottom() - usable.bottom());
    }
    return PanelLayout::panelOrigin(bar, usable, output, panelSize);
}

QByteArray SwayPlacement::floatingRules(QStringView appId, QStringView title)
{
    // One rule a command: a comma would end the rule and send the rest to the focused window.
    QStringList rules;
    for (const QString &criteria : {u"app_id=\"^%1$\""_s, u"class=\"^%1$\""_s}) {
        for (const QString &command : panelCommands)
            rules << u"for_window [%1 title=\"^%2$\"] %3"_s.arg(criteria.arg(appId), title,
                                                                command);
    }
    return rules.join(u"; "_s).toUtf8();
}

QByteArray SwayPlacement::moveCommand(qint64 containerId, QPoint origin)
{
    return u"[con_id=%1] %2, move absolute position %3 %4"_s.arg(containerId)
        .arg(panelCommands.join(u", "_s))
        .arg(origin.x())
        .arg(origin.y())
        .toUtf8();
}

std::optional<qint64> SwayPlacement::shownWindow(const QByteArray &event, qint64 pid,
                                                 QStringView title)
{
    const QJsonObject object = QJsonDocument::fromJson(event).object();
    const QString change = object["change"_L1].toString();
    const QJsonObject container = object["container"_L1].toObject();
    // A title set only after the window appeared comes as a change of title.
    if ((change != "new"_L1 && change != "title"_L1) || container["pid"_L1].toInteger() != pid
        || container["name"_L1].toString() != title)
        return std::nullopt;
    return container["id"_L1].toInteger();
}

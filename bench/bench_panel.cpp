// Times the calendar panel's content over a generated calendar folder (20 calendars, 10,000
// events, 500 repeating): one full repaint at 2× scale, and one month switch, which is the view
// model's load and the month grid's rebuild of its cells.

#include "GeneratedCalendarFolder.h"
#include "calendar/CalendarPopoverView.h"
#include "calendar/CalendarViewModel.h"
#include "calendar/DailyDockView.h"
#include "calendar/HeaderBar.h"
#include "calendar/MonthGridView.h"
#include "events/CalendarAccess.h"
#include "events/EventStoreService.h"
#include "events/IcsCalendarStore.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "look/AppTheme.h"
#include "look/PopoverGlassBackground.h"
#include "preferences/PreferencesStore.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimeZone>

#include <algorithm>
#include <ctime>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The processor time of the whole process, its painting threads included: unlike the wall
// clock, it does not grow when other programs hold the processors.
double processMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

QString figures(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return u"min %1, median %2, max %3 ms"_s.arg(times.first(), 0, 'f', 3)
        .arg(times.at(times.size() / 2), 0, 'f', 3)
        .arg(times.last(), 0, 'f', 3);
}

// Runs a step repeatedly; its wall-clock and processor times.
struct Timing
{
    QList<double> wall;
    QList<double> processor;

    void measure(const std::function<void()> &step)
    {
        QElapsedTimer timer;
        const double cpuStart = processMilliseconds();
        timer.start();
        step();
        wall.append(milliseconds(timer));
        processor.append(processMilliseconds() - cpuStart);
    }

    [[nodiscard]] QString text() const
    {
        return u"wall %1; processor %2"_s.arg(figures(wall), figures(processor));
    }
};

// One full repaint of the content, as the panel's window would do it, at the given scale.
void repaint(CalendarPopoverView &view, QImage &image)
{
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    qputenv("TZ", "Asia/Shanghai");
    SystemTimeZone::refresh();
    AppTheme::setSystemAppearanceSource([] { return false; });

    const GeneratedCalendarFolder generated(argc, argv);
    if (!generated.isValid()) {
        out << "bench_panel: could not generate the calendar folder\n";
        return 1;
    }
    const QString folder = generated.path();

    QTemporaryDir settingsDir;
    SettingsStore settings(settingsDir.filePath(u"settings.json"_s));
    CalendarAccess access(settings);
    access.setGranted(CalendarEntityType::event, true);
    // The one-time hint would change the content's height during the measurement.
    settings.setValue(SettingKeys::didShowShortcutHint, true);
    PreferencesStore preferences(settings);
    preferences.setValue(SettingKeys::showLunarCalendar, true);

    IcsCalendarStore::Options options;
    options.readInBackground = false;
    options.watchFiles = false;
    IcsFolderScanner::Roots roots;
    roots.vdirRoots = {QDir(folder).filePath(u"calendars"_s)};
    options.roots = roots;
    IcsCalendarStore store(settings, access, nullptr, options);
    EventStoreService service(store);
    store.loadAll();
    HolidayService holidays;
    LunarCalendarService lunar;

    const QDateTime today(QDate(2025, 1, 15), QTime(4, 0), QTimeZone::utc());
    CalendarViewModel model(preferences, service, holidays, lunar, [today] { return today; });
    CalendarPopoverView view(model, preferences);
    view.setAnimationsEnabled(false);
    view.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    // Repaint: the content as it stands, rendered whole at 2×.
    constexpr qreal scale = 2;
    const auto panelImage = [&] {
        QImage image(QSize(CalendarPopoverView::panelWidth, int(view.contentHeight())) * scale,
                     QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        return image;
    };
    QImage image = panelImage();
    Timing first;
    first.measure([&] { repaint(view, image); });
    Timing repaints;
    for (int i = 0; i < 100; ++i)
        repaints.measure([&] { repaint(view, image); });
    out << "full repaint at 2x (" << image.width() << "x" << image.height() << " px, "
        << model.monthEvents().size() << " events in the grid, "
        << view.dailyDock()->eventRows().size() << " in the day's list)\n  first: " << first.text()
        << "\n  then: " << repaints.text() << " (target < 8 ms)\n";

    // Where the time goes: the backdrop and each part alone.
    const auto timePart = [&](const QString &name, const std::function<void()> &paint) {
        Timing part;
        for (int i = 0; i < 50; ++i)
            part.measure(paint);
        out << "  " << name << ": " << part.text() << "\n";
    };
    timePart(u"glass background"_s, [&] {
        QPainter painter(&image);
        PopoverGlassBackground::paint(painter, QRectF(0, 0, view.width(), view.height()));
    });
    for (QWidget *part :
         std::initializer_list<QWidget *>{view.headerBar(), view.monthGrid(), view.dailyDock()}) {
        timePart(QString::fromLatin1(part->metaObject()->className()), [&] {
            part->render(&image, part->mapTo(&view, QPoint()), QRegion(), QWidget::DrawChildren);
        });
    }

    // Month switch: the load task and the grid's new cells. Then what follows on the next pass,
    // the day dock and the layout, and a full repaint. Between two switches the event loop runs
    // untimed, and with it the store's work on the neighbouring months.
    Timing switches;
    Timing switchesWithRepaint;
    qsizetype cells = 0;
    for (int month = 0; month < 24; ++month) {
        switches.measure([&] {
            model.nextMonth();
            QCoreApplication::sendPostedEvents(&model);
            cells += view.monthGrid()->cells().size();
        });
        switchesWithRepaint.measure([&] {
            QCoreApplication::sendPostedEvents(view.dailyDock());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            image = panelImage();
            repaint(view, image);
        });
        switchesWithRepaint.wall.last() += switches.wall.last();
        switchesWithRepaint.processor.last() += switches.processor.last();
        QCoreApplication::processEvents();
    }
    out << "month switch (view model load + grid rebuild), 24 consecutive months:\n  "
        << switches.text() << " (target < 3 ms)\n";
    out << "month switch, then the dock, the layout and a full repaint at 2x:\n  "
        << switchesWithRepaint.text() << "\n";
    return cells > 0 ? 0 : 1;
}

#include "PanelPreview.h"

#include "calendar/CalendarPopoverView.h"
#include "calendar/CalendarViewModel.h"
#include "calendar/DailyDockView.h"
#include "calendar/HeaderBar.h"
#include "calendar/NewEventForm.h"
#include "events/CalendarAccess.h"
#include "events/CalendarAppOpener.h"
#include "events/EventStoreService.h"
#include "events/IcsCalendarStore.h"
#include "events/SystemDesktopLauncher.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "look/AppTheme.h"
#include "look/BrandLogoView.h"
#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/SettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstring>
#include <optional>
#include <variant>

using namespace Qt::StringLiterals;

namespace {

constexpr int badArguments = 2;

struct Options
{
    bool window = false;
    QString screenshot;
    std::optional<AppAppearanceMode> appearance;
    std::optional<QDate> date;
    std::optional<QDate> select;
    std::optional<QString> newEvent;
    bool previewData = false;
    qreal scale = 1.0;
    /// The control of the day dock that has the keyboard focus: "event" (the first event row)
    /// or "settings".
    QString focus;
};

std::optional<QDate> parseDay(const QString &text)
{
    const QDate date = QDate::fromString(text, u"yyyy-MM-dd"_s);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// Parses the options after the program name; an error message on failure.
std::variant<Options, QString> parse(const QStringList &arguments)
{
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments.at(++i);
        };
        if (argument == "--panel-preview"_L1) {
            options.window = true;
        } else if (argument == "--screenshot"_L1) {
            const auto file = value();
            if (!file || file->isEmpty())
                return u"--screenshot needs a file"_s;
            options.screenshot = *file;
        } else if (argument == "--dark"_L1) {
            options.appearance = AppAppearanceMode::dark;
        } else if (argument == "--light"_L1) {
            options.appearance = AppAppearanceMode::light;
        } else if (argument == "--preview-data"_L1) {
            options.previewData = true;
        } else if (argument == "--date"_L1 || argument == "--select"_L1) {
            const auto text = value();
            const auto day = text ? parseDay(*text) : std::nullopt;
            if (!day)
                return u"not a day (yyyy-MM-dd) after %1"_s.arg(argument);
            (argument == "--date"_L1 ? options.date : options.select) = day;
        } else if (argument == "--new-event"_L1) {
            options.newEvent = value();
            if (!options.newEvent)
                return u"--new-event needs the title line"_s;
        } else if (argument == "--focus"_L1) {
            const auto control = value();
            if (!control || (*control != "event"_L1 && *control != "settings"_L1))
                return u"--focus takes event or settings"_s;
            options.focus = *control;
        } else if (argument == "--scale"_L1) {
            const auto text = value();
            bool ok = false;
            const qreal scale = text ? text->toDouble(&ok) : 0;
            if (!ok || scale < 0.5 || scale > 4)
                return u"--scale takes a number from 0.5 to 4"_s;
            options.scale = scale;
        } else {
            return u"unknown option for the panel preview: %1"_s.arg(argument);
        }
    }
    return options;
}

// Waits until the view model has loaded its month and every posted event has been handled.
void settle(const CalendarViewModel &viewModel)
{
    const QDeadlineTimer deadline(5000);
    QCoreApplication::processEvents();
    while (viewModel.isLoadingMonth() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A plain desktop-like backdrop around the panel in the preview window.
class PreviewBackdrop : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient fill(QPointF(0, 0), QPointF(width(), height()));
        if (AppTheme::isDark()) {
            fill.setColorAt(0, QColor(0x2B, 0x2F, 0x3A));
            fill.setColorAt(1, QColor(0x15, 0x17, 0x1C));
        } else {
            fill.setColorAt(0, QColor(0xC9, 0xD6, 0xDF));
            fill.setColorAt(1, QColor(0xE8, 0xDD, 0xCF));
        }
        painter.fillRect(rect(), fill);
    }
};

} // namespace

bool PanelPreview::isRequested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--panel-preview") == 0
            || std::strcmp(argv[i], "--screenshot") == 0)
            return true;
    }
    return false;
}

int PanelPreview::run(int argc, char **argv)
{
    bool screenshot = false;
    for (int i = 1; i < argc; ++i)
        screenshot = screenshot || std::strcmp(argv[i], "--screenshot") == 0;
    // The platform plugin is chosen when the application object is made.
    if (screenshot)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"tessel-calendar"_s);
    QGuiApplication::setWindowIcon(BrandLogoView::applicationIcon());
    QTextStream err(stderr);

    const auto parsed = parse(QCoreApplication::arguments().mid(1));
    if (const auto *message = std::get_if<QString>(&parsed)) {
        err << "tessel-calendar: " << *message << Qt::endl;
        return badArguments;
    }
    const Options options = std::get<Options>(parsed);

    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        err << "tessel-calendar: cannot make a temporary folder for the preview's settings"
            << Qt::endl;
        return 1;
    }
    const QString settingsPath = scratch.filePath(u"settings.json"_s);
    QFile::copy(SettingsStore::defaultFilePath(), settingsPath);
    QFile::setPermissions(settingsPath, QFile::ReadOwner | QFile::WriteOwner);

    SettingsStore settings(settingsPath);
    PreferencesStore preferences(settings);
    if (options.previewData)
        preferences.setValue(SettingKeys::usePreviewData, true);
    if (options.appearance)
        preferences.setValue(SettingKeys::appearanceMode, *options.appearance);

    IcsCalendarStore::Options storeOptions;
    storeOptions.watchFiles = options.screenshot.isEmpty();
    storeOptions.readInBackground = false;
    CalendarAccess access(settings);
    IcsCalendarStore store(settings, access, nullptr, storeOptions);
    SystemDesktopLauncher launcher;
    CalendarAppOpener opener(launcher, &settings);
    EventStoreService events(store, &opener);
    HolidayService holidays;
    LunarCalendarService lunar;

    CalendarViewModel::Clock clock;
    if (options.date) {
        const auto now = CivilCalendar::viewCalendar().date(
            options.date->year(), options.date->month(), options.date->day(), 10);
        if (!now) {
            err << "tessel-calendar: that day has no 10:00 here" << Qt::endl;
            return badArguments;
        }
        clock = [now = *now] {
            return now;
        };
    }
    CalendarViewModel viewModel(preferences, events, holidays, lunar, clock);

    CalendarPopoverView view(viewModel, preferences);
    view.setAnimationsEnabled(options.screenshot.isEmpty());
    if (options.select) {
        if (const auto day = CivilCalendar::viewCalendar().date(
                options.select->year(), options.select->month(), options.select->day()))
            viewModel.select(*day);
    }
    if (options.newEvent) {
        view.dailyDock()->startNewEvent();
        view.dailyDock()->newEventForm()->typeTitle(*options.newEvent);
    }

    if (!options.screenshot.isEmpty()) {
        view.show();
        settle(viewModel);
        if (!options.focus.isEmpty()) {
            const QList<QAbstractButton *> controls = view.dailyDock()->focusChain();
            view.activateWindow();
            (options.focus == "event"_L1 ? controls.first() : controls.last())
                ->setFocus(Qt::TabFocusReason);
            settle(viewModel);
        }
        view.updateContentHeight();
        const QSize size(CalendarPopoverView::panelWidth, int(view.contentHeight()));
        QImage image(size * options.scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(options.scale);
        image.fill(Qt::transparent);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        if (!image.save(options.screenshot, "PNG")) {
            err << "tessel-calendar: cannot write " << options.screenshot << Qt::endl;
            return 1;
        }
        // What the picture shows, for whoever checks it without looking.
        QTextStream(stdout) << options.screenshot << ": " << image.width() << "x" << image.height()
                            << ", " << view.headerBar()->titleText() << ", "
                            << view.dailyDock()->headingText() << ", "
                            << view.dailyDock()->eventRows().size() << " events listed" << Qt::endl;
        return 0;
    }

    PreviewBackdrop window;
    window.setWindowTitle(u"tessel-calendar --panel-preview"_s);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(28, 28, 28, 28);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    view.setParent(&window);
    layout->addWidget(&view);
    // No preferences window yet: the gear flips between light and dark.
    view.setOpenPreferences([&preferences, &window] {
        preferences.setValue(SettingKeys::appearanceMode, AppTheme::isDark()
                                                              ? AppAppearanceMode::light
                                                              : AppAppearanceMode::dark);
        window.update();
    });
    view.setClosePanel([&window] { window.close(); });
    window.show();
    const int status = QApplication::exec();
    view.setParent(nullptr);
    return status;
}

#include "menubar/StatusItemHost.h"
#include "menubar/StatusItemIcon.h"
#include "menubar/StatusNotifierItem.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The standalone tray draws its bar across the top of the screen.
constexpr int barHeight = 30;

bool isAccent(QColor color)
{
    const QColor accent = StatusItemIcon::accentColor();
    return std::abs(color.red() - accent.red()) <= 24
           && std::abs(color.green() - accent.green()) <= 24
           && std::abs(color.blue() - accent.blue()) <= 24;
}

bool isInk(QColor color)
{
    return color.red() < 100 && color.green() < 100 && color.blue() < 100;
}

QImage grabScreen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// The first icon on the bar: the block of non-background pixels round the first red pixel.
QRect iconRect(const QImage &screen)
{
    const int rows = std::min(barHeight, screen.height());
    const QColor background = screen.pixelColor(screen.width() - 1, rows / 2);
    const auto columnUsed = [&](int x) {
        for (int y = 0; y < rows; ++y) {
            if (screen.pixelColor(x, y) != background)
                return true;
        }
        return false;
    };
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            if (!isAccent(screen.pixelColor(x, y)))
                continue;
            int left = x;
            while (left > 0 && columnUsed(left - 1))
                --left;
            // Two icons side by side touch; the page is square, so its width is its height.
            int right = x;
            while (right + 1 < screen.width() && columnUsed(right + 1) && right - left < rows)
                ++right;
            int top = rows;
            int bottom = -1;
            for (int row = 0; row < rows; ++row) {
                for (int column = left; column <= right; ++column) {
                    if (screen.pixelColor(column, row) != background) {
                        top = std::min(top, row);
                        bottom = std::max(bottom, row);
                    }
                }
            }
            return QRect(QPoint(left, top), QPoint(right, bottom));
        }
    }
    return {};
}

int countPixels(const QImage &screen, const QRect &area, bool (*test)(QColor))
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (test(screen.pixelColor(x, y)))
                ++count;
        }
    }
    return count;
}

bool save(const QImage &image, const QString &name)
{
    const QString dir = QStringLiteral(TESSEL_SCREENSHOT_DIR);
    return QDir().mkpath(dir) && image.save(dir + u'/' + name);
}

bool click(const QPoint &at, int button)
{
    return QProcess::execute(u"xdotool"_s,
                             {u"mousemove"_s, QString::number(at.x()), QString::number(at.y()),
                              u"click"_s, QString::number(button)})
           == 0;
}

} // namespace

class TestTrayHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void iconShowsInTheTray();
    void leftClickActivatesAtTheIcon();
    void rightClickOpensTheExportedMenu();

private:
    QProcess m_tray;
    std::unique_ptr<StatusItemHost> m_item;
    QRect m_icon;
};

void TestTrayHost::initTestCase()
{
    if (QGuiApplication::platformName() != "xcb"_L1)
        QSKIP("needs an X server");
    const QString tray = QStandardPaths::findExecutable(u"gtk-sni-tray-standalone"_s);
    if (tray.isEmpty())
        QSKIP("gtk-sni-tray-standalone is not installed (Debian haskell-gtk-sni-tray-utils)");
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "runs on a private session bus");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"GDK_BACKEND"_s, u"x11"_s);
    environment.insert(u"NO_AT_BRIDGE"_s, u"1"_s);
    m_tray.setProcessEnvironment(environment);
    m_tray.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_tray.setStandardOutputFile(QProcess::nullDevice());
    // The tray's host side is up once it has a name of its own beside the watcher's.
    const auto hostIsUp = [] {
        const QStringList names =
            QDBusConnection::sessionBus().interface()->registeredServiceNames();
        return names.contains(QString::fromLatin1(StatusNotifierItem::watcherService))
               && std::any_of(names.cbegin(), names.cend(), [](const QString &name) {
                      return name.startsWith("org.kde.StatusNotifierHost"_L1);
                  });
    };
    // Now and then the tray's host asks its own watcher before the watcher is exported, and
    // gives up; it is started again then.
    for (int attempt = 0; attempt < 3 && !hostIsUp(); ++attempt) {
        m_tray.start(tray, {u"--watcher"_s, u"--top"_s, u"--size"_s, QString::number(barHeight)});
        QVERIFY(m_tray.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(hostIsUp() || m_tray.state() == QProcess::NotRunning, 20000);
    }
    QVERIFY(hostIsUp());

    m_item = std::make_unique<StatusItemHost>();
    m_item->setTitle(u"12月5日 周六 14:03"_s);
    m_item->setToolTip(u"2026年12月5日 星期六"_s, u"丙午年 十月廿七"_s);
    m_item->setDayNumber(5);
    QTRY_COMPARE_WITH_TIMEOUT(m_item->statusNotifierItem()->registration(),
                              StatusNotifierItem::Registration::Registered, 10000);
    QCOMPARE(m_item->backend(), StatusItemHost::Backend::StatusNotifier);
}

void TestTrayHost::cleanupTestCase()
{
    m_item.reset();
    if (m_tray.state() != QProcess::NotRunning) {
        m_tray.terminate();
        if (!m_tray.waitForFinished(5000))
            m_tray.kill();
        m_tray.waitForFinished();
    }
}

void TestTrayHost::iconShowsInTheTray()
{
    QTRY_VERIFY_WITH_TIMEOUT(!iconRect(grabScreen()).isNull(), 20000);
    // One more look once the host has drawn everything it was going to.
    QTest::qWait(200);
    const QImage screen = grabScreen();
    QVERIFY(save(screen, u"tray.png"_s));
    m_icon = iconRect(screen);

    // A page the host scaled to its bar: not a sliver, the red band over a white page
    // with the dark number on it.
    QVERIFY2(m_icon.width() >= 14 && m_icon.height() >= 14 && m_icon.bottom() < barHeight,
             qPrintable(u"icon at %1,%2 %3×%4"_s.arg(m_icon.x())
                            .arg(m_icon.y())
                            .arg(m_icon.width())
                            .arg(m_icon.height())));
    const QRect page = m_icon.intersected(screen.rect());
    const int area = page.width() * page.height();
    QVERIFY(countPixels(screen, page, [](QColor c) { return c == QColor(Qt::white); }) >= area / 5);
    QVERIFY(countPixels(screen, page, isInk) >= area / 12);
}

void TestTrayHost::leftClickActivatesAtTheIcon()
{
    if (m_icon.isNull())
        QSKIP("the icon was not found");
    QSignalSpy activated(m_item.get(), &StatusItem::activated);
    QSignalSpy contextMenu(m_item.get(), &StatusItem::contextMenuRequested);

    QVERIFY(click(m_icon.center(), 1));
    QTRY_COMPARE_WITH_TIMEOUT(activated.size(), 1, 10000);
    const QPoint where = activated.at(0).at(0).toPoint();
    qInfo() << "the tray activated the item at" << where << "for a click at" << m_icon.center();
    // The host gives a point standing for the item: on the bar, near the icon.
    QVERIFY(std::abs(where.x() - m_icon.center().x()) <= 40);
    QVERIFY(where.y() >= 0 && where.y() <= barHeight + 10);
    QCOMPARE(contextMenu.size(), 0);
}

void TestTrayHost::rightClickOpensTheExportedMenu()
{
    if (m_icon.isNull())
        QSKIP("the icon was not found");
    const QImage before = grabScreen();

    QVERIFY(click(m_icon.center(), 3));
    // The host draws the exported menu itself: something appears under the bar.
    const QRect under(0, barHeight + 1, before.width(), 200);
    const auto changed = [&] {
        const QImage now = grabScreen();
        return now.copy(under) != before.copy(under);
    };
    QTRY_VERIFY_WITH_TIMEOUT(changed(), 10000);
    QTest::qWait(300);
    QVERIFY(save(grabScreen(), u"tray-menu.png"_s));
    QProcess::execute(u"xdotool"_s, {u"key"_s, u"Escape"_s});
}

QTEST_MAIN(TestTrayHost)
#include "tst_trayhost.moc"

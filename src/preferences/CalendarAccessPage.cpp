#include "CalendarAccessPage.h"

#include "events/CalendarAccess.h"
#include "events/IcsCalendarStore.h"
#include "events/IcsFolderScanner.h"
#include "shared/SettingKeys.h"
#include "shared/SettingsStore.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString chooseWithDialog(QWidget *parent, bool file)
{
    if (file) {
        return QFileDialog::getOpenFileName(parent, u"添加日历文件"_s, QDir::homePath(),
                                            u"iCalendar 文件 (*.ics)"_s);
    }
    return QFileDialog::getExistingDirectory(parent, u"添加日历文件夹"_s, QDir::homePath());
}

QLabel *note(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CalendarAccessPage::CalendarAccessPage(SettingsStore &settings, CalendarAccess &access,
                                       QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
    , m_access(access)
    , m_chooser(chooseWithDialog)
    , m_events(new QCheckBox(u"允许“栖格日历”读取日历事件"_s, this))
    , m_reminders(new QCheckBox(u"允许“栖格日历”读取提醒事项"_s, this))
    , m_folders(new QListWidget(this))
    , m_addFolder(new QPushButton(u"添加文件夹…"_s, this))
    , m_addFile(new QPushButton(u"添加 .ics 文件…"_s, this))
    , m_remove(new QPushButton(u"移除"_s, this))
{
    setWindowTitle(u"日历访问权限"_s);
    setMinimumSize(420, 460);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(10);
    auto *accessTitle = new QLabel(u"<b>访问权限</b>"_s, this);
    layout->addWidget(accessTitle);
    layout->addWidget(m_events);
    layout->addWidget(m_reminders);
    layout->addWidget(
        note(u"关闭后，面板不再显示对应的日历内容；随时可以在这里重新打开。"_s, this));

    layout->addSpacing(8);
    layout->addWidget(new QLabel(u"<b>日历文件夹</b>"_s, this));
    layout->addWidget(note(u"除默认位置外，还会读取这里列出的文件夹（vdir 或含 .ics 文件的文件夹）"
                           u"和单个 .ics 文件。"_s,
                           this));
    m_folders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(m_folders, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_addFolder);
    buttons->addWidget(m_addFile);
    buttons->addStretch(1);
    buttons->addWidget(m_remove);
    layout->addLayout(buttons);
    layout->addWidget(note(u"默认位置：\n"_s + defaultLocations().join(u'\n'), this));

    connect(m_events, &QCheckBox::clicked, this,
            [this](bool on) { m_access.setGranted(CalendarEntityType::event, on); });
    connect(m_reminders, &QCheckBox::clicked, this,
            [this](bool on) { m_access.setGranted(CalendarEntityType::reminder, on); });
    connect(m_addFolder, &QAbstractButton::clicked, this, [this] { addPath(false); });
    connect(m_addFile, &QAbstractButton::clicked, this, [this] { addPath(true); });
    connect(m_remove, &QAbstractButton::clicked, this, &CalendarAccessPage::removeSelected);
    connect(m_folders, &QListWidget::itemSelectionChanged, this,
            [this] { m_remove->setEnabled(!m_folders->selectedItems().isEmpty()); });
    // Another window or process may change the same consent and settings.
    connect(&access, &CalendarAccess::changed, this, &CalendarAccessPage::load);
    connect(&settings, &SettingsStore::valueChanged, this, &CalendarAccessPage::followSetting);

    load();
}

CalendarAccessPage::~CalendarAccessPage() = default;

QStringList CalendarAccessPage::defaultLocations()
{
    const IcsFolderScanner::Roots roots = IcsFolderScanner::defaultRoots({});
    QStringList locations = roots.vdirRoots;
    if (!roots.evolutionCalendars.isEmpty())
        locations.append(roots.evolutionCalendars + u"/*/calendar.ics"_s);
    return locations;
}

void CalendarAccessPage::setPathChooser(PathChooser chooser)
{
    m_chooser = chooser ? std::move(chooser) : PathChooser(chooseWithDialog);
}

void CalendarAccessPage::showPage(CalendarEntityType firstPage)
{
    load();
    show();
    raise();
    activateWindow();
    (firstPage == CalendarEntityType::reminder ? m_reminders : m_events)->setFocus();
}

QStringList CalendarAccessPage::configuredFolders() const
{
    return m_settings.value(SettingKeys::calendarFolders);
}

void CalendarAccessPage::load()
{
    m_events->setChecked(m_access.isGranted(CalendarEntityType::event));
    m_reminders->setChecked(m_access.isGranted(CalendarEntityType::reminder));
    m_folders->clear();
    m_folders->addItems(configuredFolders());
    m_remove->setEnabled(false);
}

void CalendarAccessPage::followSetting(const QString &key)
{
    if (key == SettingKeys::calendarFolders.name)
        load();
}

void CalendarAccessPage::addPath(bool file)
{
    const QString chosen = m_chooser(this, file);
    if (chosen.isEmpty())
        return;
    const QString path = QDir::cleanPath(QDir(chosen).absolutePath());
    QStringList folders = configuredFolders();
    if (folders.contains(path))
        return;
    folders.append(path);
    m_settings.setValue(SettingKeys::calendarFolders, folders);
}

void CalendarAccessPage::removeSelected()
{
    QStringList folders = configuredFolders();
    for (const QListWidgetItem *item : m_folders->selectedItems())
        folders.removeAll(item->text());
    m_settings.setValue(SettingKeys::calendarFolders, folders);
}

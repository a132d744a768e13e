#pragma once

#include "events/CalendarStore.h"

#include <QWidget>

#include <functional>

class CalendarAccess;
class QAbstractButton;
class QCheckBox;
class QListWidget;
class SettingsStore;

// The application's own calendar-access page: the user's consent for events and for reminders,
// and the calendar folders read besides the desktop's defaults. Every change takes effect at once:
// the calendar stores follow the same consent and settings.
class CalendarAccessPage : public QWidget
{
    Q_OBJECT
public:
    /// Asks for a folder, or for an .ics file when `file` is true; empty when cancelled.
    using PathChooser = std::function<QString(QWidget *parent, bool file)>;

    CalendarAccessPage(SettingsStore &settings, CalendarAccess &access, QWidget *parent = nullptr);
    ~CalendarAccessPage() override;

    /// Shows the page in front, the given type's switch focused.
    void showPage(CalendarEntityType firstPage);

    /// Replaces the file dialogs, for tests.
    void setPathChooser(PathChooser chooser);

    [[nodiscard]] QCheckBox *eventsSwitch() const { return m_events; }
    [[nodiscard]] QCheckBox *remindersSwitch() const { return m_reminders; }
    [[nodiscard]] QListWidget *folderList() const { return m_folders; }
    [[nodiscard]] QAbstractButton *addFolderButton() const { return m_addFolder; }
    [[nodiscard]] QAbstractButton *addFileButton() const { return m_addFile; }
    [[nodiscard]] QAbstractButton *removeButton() const { return m_remove; }

    /// The folders read without being listed, for the user to know where to put calendars.
    [[nodiscard]] static QStringList defaultLocations();

private:
    void load();
    void followSetting(const QString &key);
    void addPath(bool file);
    void removeSelected();
    [[nodiscard]] QStringList configuredFolders() const;

    SettingsStore &m_settings;
    CalendarAccess &m_access;
    PathChooser m_chooser;
    QCheckBox *m_events;
    QCheckBox *m_reminders;
    QListWidget *m_folders;
    QAbstractButton *m_addFolder;
    QAbstractButton *m_addFile;
    QAbstractButton *m_remove;
};

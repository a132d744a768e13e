#include "LaunchAtLoginService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

constexpr auto autostartFolder = "autostart"_L1;
constexpr auto mainGroup = "[Desktop Entry]"_L1;

// The keys of the main group; later groups (actions) do not decide whether the entry runs.
QHash<QString, QString> readMainGroup(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QHash<QString, QString> keys;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == mainGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals <= 0)
            continue;
        keys.insert(line.first(equals).trimmed(), line.sliced(equals + 1).trimmed());
    }
    return keys;
}

// The program an Exec value starts: its first argument, with the escapes of a string value and
// the quoting of an argument undone.
QString execProgram(const QString &exec)
{
    QString value;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c != u'\\' || i + 1 == exec.size()) {
            value += c;
            continue;
        }
        const QChar next = exec.at(++i);
        value += next == u's'   ? QChar(u' ')
                 : next == u'n' ? QChar(u'\n')
                 : next == u't' ? QChar(u'\t')
                 : next == u'r' ? QChar(u'\r')
                                : next;
    }
    value = value.trimmed();
    QString program;
    if (value.startsWith(u'"')) {
        for (qsizetype i = 1; i < value.size() && value.at(i) != u'"'; ++i) {
            if (value.at(i) == u'\\' && i + 1 < value.size())
                ++i;
            program += value.at(i);
        }
        return program;
    }
    return value.section(u' ', 0, 0, QString::SectionSkipEmpty);
}

// An entry written for another copy of the program (a build tree, a binary since moved) starts
// nothing at login, so it must not read as on: its Exec must be this program by path, or its
// command name found on PATH.
bool startsProgram(const QString &exec, const QString &executablePath)
{
    const QString program = execProgram(exec);
    if (program.isEmpty())
        return false;
    const QFileInfo ours(executablePath);
    if (!program.contains(u'/')) {
        return program == ours.fileName() && !QStandardPaths::findExecutable(program).isEmpty();
    }
    const QString canonical = QFileInfo(program).canonicalFilePath();
    return !canonical.isEmpty() && canonical == ours.canonicalFilePath();
}

bool isActive(const QHash<QString, QString> &keys)
{
    return keys.value(u"Hidden"_s) != "true"_L1
           && keys.value(u"X-GNOME-Autostart-enabled"_s) != "false"_L1;
}

// Whether an entry in an autostart folder starts this program at login.
bool startsAtLogin(const QString &path, const QString &executablePath)
{
    const QHash<QString, QString> keys = readMainGroup(path);
    return isActive(keys) && startsProgram(keys.value(u"Exec"_s), executablePath);
}

bool writeAtomically(const QString &path, const QByteArray &content)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()) || !QFileInfo(info.absolutePath()).isDir())
        return false;
    QSaveFile file(path);
    // Unbuffered, so that a write cut short (disk full) shows here: Qt 6.4's commit() does not
    // report a failed flush and would put the cut-off entry in place of the user's.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

LaunchAtLoginService::LaunchAtLoginService(QObject *parent)
    : LaunchAtLoginService(QCoreApplication::applicationFilePath(), parent)
{
}

LaunchAtLoginService::LaunchAtLoginService(const QString &executablePath, QObject *parent)
    : QObject(parent)
    , m_executablePath(executablePath.isEmpty() ? QString()
                                                : QFileInfo(executablePath).absoluteFilePath())
{
    const Status current = status();
    m_isEnabled = current == Status::enabled || current == Status::requiresApproval;
}

LaunchAtLoginService::~LaunchAtLoginService() = default;

QString LaunchAtLoginService::userEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/'
           + autostartFolder + u'/' + entryFileName;
}

QStringList LaunchAtLoginService::systemEntryPaths()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = u"/etc/xdg"_s;
    QStringList paths;
    for (const QString &dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        // XDG base directories must be absolute; a relative entry is ignored.
        if (QDir::isAbsolutePath(dir))
            paths.append(dir + u'/' + autostartFolder + u'/' + entryFileName);
    }
    return paths;
}

QString LaunchAtLoginService::execValue(const QString &executable)
{
    // First the quoting of one argument, then the escapes every string value takes, and
    // "%%" because a lone "%" starts a field code.
    QString quoted;
    quoted.reserve(executable.size() + 2);
    quoted += u'"';
    for (const QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';

    QString value;
    value.reserve(quoted.size() + 8);
    for (const QChar c : std::as_const(quoted)) {
        switch (c.unicode()) {
        case u'\\':
            value += "\\\\"_L1;
            break;
        case u'\n':
            value += "\\n"_L1;
            break;
        case u'\t':
            value += "\\t"_L1;
            break;
        case u'\r':
            value += "\\r"_L1;
            break;
        case u'%':
            value += "%%"_L1;
            break;
        default:
            value += c;
        }
    }
    return value;
}

QByteArray LaunchAtLoginService::entryContent(const QString &executable)
{
    const QString content = u"[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=栖格日历\n"
                            "Comment=藏在菜单栏里的轻量日历。\n"
                            "Exec="_s
                            + execValue(executable)
                            + u"\n"
                              "Icon=tessel-calendar\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n"_s;
    return content.toUtf8();
}

LaunchAtLoginService::Status LaunchAtLoginService::status() const
{
    const QFileInfo executable(m_executablePath);
    if (m_executablePath.isEmpty() || !executable.isFile() || !executable.isExecutable())
        return Status::notFound;
    // The user's entry hides every system-wide one of the same name, whatever it says.
    const QString user = userEntryPath();
    if (QFileInfo(user).isFile())
        return startsAtLogin(user, m_executablePath) ? Status::enabled : Status::notRegistered;
    for (const QString &system : systemEntryPaths()) {
        if (QFileInfo(system).isFile())
            return startsAtLogin(system, m_executablePath) ? Status::enabled
                                                           : Status::notRegistered;
    }
    return Status::notRegistered;
}

void LaunchAtLoginService::refresh()
{
    const Status current = status();
    assignEnabled(current == Status::enabled || current == Status::requiresApproval);
}

void LaunchAtLoginService::setEnabled(bool enabled)
{
    if (enabled ? registerEntry() : unregisterEntry())
        assignEnabled(enabled);
    else
        refresh();
}

bool LaunchAtLoginService::registerEntry() const
{
    if (status() == Status::notFound)
        return false;
    return writeAtomically(userEntryPath(), entryContent(m_executablePath));
}

bool LaunchAtLoginService::unregisterEntry() const
{
    const QString user = userEntryPath();
    bool systemEntryRuns = false;
    for (const QString &system : systemEntryPaths()) {
        if (QFileInfo(system).isFile()) {
            // Only the first one found counts, as for any file in the configuration folders.
            systemEntryRuns = isActive(readMainGroup(system));
            break;
        }
    }
    if (systemEntryRuns) {
        // Desktops other than GNOME ignore X-GNOME-Autostart-enabled; Hidden is the standard way.
        return writeAtomically(user, QByteArrayLiteral("[Desktop Entry]\n"
                                                       "Type=Application\n"
                                                       "Name=栖格日历\n"
                                                       "Hidden=true\n"));
    }
    if (!QFileInfo::exists(user) && !QFileInfo(user).isSymLink())
        return true;
    return QFile::remove(user);
}

void LaunchAtLoginService::assignEnabled(bool value)
{
    m_isEnabled = value;
    Q_EMIT isEnabledChanged(value);
}

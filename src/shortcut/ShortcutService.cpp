#include "ShortcutService.h"

ShortcutService::ShortcutService(const std::optional<Shortcut> &stored, Store store,
                                 std::unique_ptr<KeyGrabber> keyGrabber, Beep beep, QObject *parent)
    : QObject(parent)
    , m_shortcut(stored)
    , m_store(std::move(store))
    , m_keyGrabber(std::move(keyGrabber))
    , m_beep(std::move(beep))
{
    if (!m_eventHandler)
        installEventHandler();
    connect(m_keyGrabber.get(), &KeyGrabber::triggerDescribed, this,
            [this](ShortcutId id, const QString &description) {
                if (id != shortcutId || description == m_desktopTrigger)
                    return;
                m_desktopTrigger = description;
                Q_EMIT desktopTriggerChanged(m_desktopTrigger);
            });
    // A stored shortcut someone else holds now stays stored: it may be free at the next start.
    registerCurrentShortcut();
}

ShortcutService::~ShortcutService() = default;

std::optional<Shortcut> ShortcutService::shortcut() const
{
    return m_shortcut;
}

KeyGrabber::Mechanism ShortcutService::mechanism() const
{
    return m_keyGrabber->mechanism();
}

QString ShortcutService::desktopTrigger() const
{
    return m_desktopTrigger;
}

const std::function<void()> &ShortcutService::onTrigger() const
{
    return m_onTrigger;
}

void ShortcutService::setOnTrigger(std::function<void()> onTrigger)
{
    m_onTrigger = std::move(onTrigger);
}

bool ShortcutService::isRegistered() const
{
    return m_grabbedId.has_value();
}

bool ShortcutService::registerCurrentShortcut()
{
    if (!m_shortcut || !m_shortcut->isValid())
        return true;
    if (m_keyGrabber->grab(shortcutId, m_shortcut->keyCode, m_shortcut->carbonModifiers)) {
        m_grabbedId = shortcutId;
        return true;
    }
    m_grabbedId.reset();
    return false;
}

void ShortcutService::setShortcut(const std::optional<Shortcut> &shortcut)
{
    if (shortcut == m_shortcut)
        return;
    if (m_grabbedId) {
        m_keyGrabber->ungrab(*m_grabbedId);
        m_grabbedId.reset();
    }
    assignShortcut(shortcut);
    // Without any way to hold a shortcut nothing was refused: the user's choice is kept for the
    // next session that has one (an X11 login).
    if (registerCurrentShortcut() || mechanism() == KeyGrabber::Mechanism::none) {
        m_store(shortcut);
        return;
    }
    assignShortcut(std::nullopt);
    m_store(std::nullopt);
    if (m_beep)
        m_beep();
}

void ShortcutService::clearShortcut()
{
    setShortcut(std::nullopt);
}

void ShortcutService::handleShortcutPressed()
{
    if (m_onTrigger)
        m_onTrigger();
}

void ShortcutService::assignShortcut(const std::optional<Shortcut> &shortcut)
{
    m_shortcut = shortcut;
    Q_EMIT shortcutChanged(m_shortcut);
}

void ShortcutService::installEventHandler()
{
    // There is one shortcut, so the press is not looked at. Queued, so that onTrigger runs from
    // the main loop and never inside the display's event handling.
    m_eventHandler = connect(
        m_keyGrabber.get(), &KeyGrabber::pressed, this, [this] { handleShortcutPressed(); },
        Qt::QueuedConnection);
}

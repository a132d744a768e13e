#include "HotKeyService.h"

#include "PreferencesStore.h"

HotKeyService::HotKeyService(PreferencesStore &preferencesStore,
                             std::unique_ptr<KeyGrabber> keyGrabber, Beep beep, QObject *parent)
    : QObject(parent)
    , m_preferencesStore(&preferencesStore)
    , m_keyGrabber(std::move(keyGrabber))
    , m_beep(std::move(beep))
{
    m_shortcut = preferencesStore.hotKey();
    if (!m_eventHandler)
        installEventHandler();
    connect(m_keyGrabber.get(), &KeyGrabber::triggerDescribed, this,
            [this](HotKeyId id, const QString &description) {
                if (id != hotKeyId || description == m_desktopTrigger)
                    return;
                m_desktopTrigger = description;
                Q_EMIT desktopTriggerChanged(m_desktopTrigger);
            });
    // A stored shortcut someone else holds now stays stored: it may be free at the next start.
    registerCurrentShortcut();
}

HotKeyService::~HotKeyService() = default;

std::optional<HotKeyShortcut> HotKeyService::shortcut() const
{
    return m_shortcut;
}

KeyGrabber::Mechanism HotKeyService::mechanism() const
{
    return m_keyGrabber->mechanism();
}

QString HotKeyService::desktopTrigger() const
{
    return m_desktopTrigger;
}

const std::function<void()> &HotKeyService::onTrigger() const
{
    return m_onTrigger;
}

void HotKeyService::setOnTrigger(std::function<void()> onTrigger)
{
    m_onTrigger = std::move(onTrigger);
}

bool HotKeyService::isRegistered() const
{
    return m_hotKeyRef.has_value();
}

bool HotKeyService::registerCurrentShortcut()
{
    if (!m_shortcut || !m_shortcut->isValid())
        return true;
    if (m_keyGrabber->grab(hotKeyId, m_shortcut->keyCode, m_shortcut->carbonModifiers)) {
        m_hotKeyRef = hotKeyId;
        return true;
    }
    m_hotKeyRef.reset();
    return false;
}

void HotKeyService::setShortcut(const std::optional<HotKeyShortcut> &shortcut)
{
    if (shortcut == m_shortcut)
        return;
    if (m_hotKeyRef) {
        m_keyGrabber->ungrab(*m_hotKeyRef);
        m_hotKeyRef.reset();
    }
    assignShortcut(shortcut);
    // Without any way to hold a shortcut nothing was refused: the user's choice is kept for the
    // next session that has one (an X11 login).
    if (registerCurrentShortcut() || mechanism() == KeyGrabber::Mechanism::none) {
        if (m_preferencesStore)
            m_preferencesStore->setHotKey(shortcut);
        return;
    }
    assignShortcut(std::nullopt);
    if (m_preferencesStore)
        m_preferencesStore->setHotKey(std::nullopt);
    if (m_beep)
        m_beep();
}

void HotKeyService::clearShortcut()
{
    setShortcut(std::nullopt);
}

void HotKeyService::handleHotKeyPressed()
{
    if (m_onTrigger)
        m_onTrigger();
}

void HotKeyService::assignShortcut(const std::optional<HotKeyShortcut> &shortcut)
{
    m_shortcut = shortcut;
    Q_EMIT shortcutChanged(m_shortcut);
}

void HotKeyService::installEventHandler()
{
    // There is one shortcut, so the press is not looked at. Queued, so that onTrigger runs from
    // the main loop and never inside the display's event handling.
    m_eventHandler = connect(
        m_keyGrabber.get(), &KeyGrabber::pressed, this, [this] { handleHotKeyPressed(); },
        Qt::QueuedConnection);
}

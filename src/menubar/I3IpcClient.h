#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>

#include <deque>
#include <functional>
#include <optional>

// A connection to a window manager that speaks the i3 IPC protocol (sway's $SWAYSOCK): framed
// requests answered in order, and events interleaved with the answers once subscribed.
class I3IpcClient : public QObject
{
    Q_OBJECT

public:
    static constexpr quint32 runCommand = 0;
    static constexpr quint32 getWorkspaces = 1;
    static constexpr quint32 subscribe = 2;
    static constexpr quint32 getOutputs = 3;
    /// Set in the type of every event.
    static constexpr quint32 eventBit = 0x80000000U;
    static constexpr quint32 windowEvent = eventBit | 3U;

    struct Message
    {
        quint32 type = 0;
        QByteArray payload;
    };

    explicit I3IpcClient(QObject *parent = nullptr);
    ~I3IpcClient() override;

    /// Connects to the socket at that path; false when nothing listens there.
    bool connectToSocket(const QString &path);
    [[nodiscard]] bool isConnected() const;
    /// Sends a request; `onReply` gets the payload of its answer.
    void send(quint32 type, const QByteArray &payload,
              std::function<void(const QByteArray &)> onReply = {});

    /// A request or answer as it goes over the socket: magic, length, type, payload.
    [[nodiscard]] static QByteArray frame(quint32 type, const QByteArray &payload);
    /// Removes the first whole message from the front of the bytes read so far.
    [[nodiscard]] static std::optional<Message> takeMessage(QByteArray &buffer);
    /// The bytes cannot begin a message: the stream is out of step and cannot be read on.
    [[nodiscard]] static bool isBroken(const QByteArray &buffer);

Q_SIGNALS:
    void eventReceived(quint32 type, const QByteArray &payload);
    /// The window manager went away or spoke out of step; requests still waiting are dropped.
    void disconnected();

private:
    void readMessages();
    void drop();

    QLocalSocket m_socket;
    QByteArray m_buffer;
    std::deque<std::function<void(const QByteArray &)>> m_waiting;
};

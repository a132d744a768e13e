#include "I3IpcClient.h"

#include <cstring>

namespace {

constexpr QByteArrayView magic("i3-ipc");
constexpr qsizetype headerSize = 14;
// Far above any answer this program asks for (a workspace or output list); a larger length
// means the stream is out of step.
constexpr quint32 maxPayload = 16 * 1024 * 1024;

quint32 readNative(const QByteArray &buffer, qsizetype at)
{
    quint32 value = 0;
    std::memcpy(&value, buffer.constData() + at, sizeof value);
    return value;
}

void appendNative(QByteArray &buffer, quint32 value)
{
    buffer.append(reinterpret_cast<const char *>(&value), sizeof value);
}

} // namespace

I3IpcClient::I3IpcClient(QObject *parent)
    : QObject(parent)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &I3IpcClient::readMessages);
    connect(&m_socket, &QLocalSocket::disconnected, this, &I3IpcClient::drop);
}

I3IpcClient::~I3IpcClient() = default;

bool I3IpcClient::connectToSocket(const QString &path)
{
    m_socket.abort();
    m_buffer.clear();
    m_waiting.clear();
    // A local socket that listens accepts at once.
    m_socket.connectToServer(path);
    return isConnected();
}

bool I3IpcClient::isConnected() const
{
    return m_socket.state() == QLocalSocket::ConnectedState;
}

void I3IpcClient::send(quint32 type, const QByteArray &payload,
                       std::function<void(const QByteArray &)> onReply)
{
    if (!isConnected())
        return;
    m_waiting.push_back(std::move(onReply));
    m_socket.write(frame(type, payload));
}

QByteArray I3IpcClient::frame(quint32 type, const QByteArray &payload)
{
    QByteArray bytes = magic.toByteArray();
    bytes.reserve(headerSize + payload.size());
    appendNative(bytes, quint32(payload.size()));
    appendNative(bytes, type);
    bytes.append(payload);
    return bytes;
}

std::optional<I3IpcClient::Message> I3IpcClient::takeMessage(QByteArray &buffer)
{
    if (buffer.size() < headerSize || isBroken(buffer))
        return std::nullopt;
    const quint32 length = readNative(buffer, magic.size());
    if (buffer.size() < headerSize + qsizetype(length))
        return std::nullopt;
    Message message{readNative(buffer, magic.size() + 4), buffer.mid(headerSize, length)};
    buffer.remove(0, headerSize + length);
    return message;
}

bool I3IpcClient::isBroken(const QByteArray &buffer)
{
    const qsizetype known = std::min(buffer.size(), magic.size());
    if (QByteArrayView(buffer).first(known) != magic.first(known))
        return true;
    return buffer.size() >= magic.size() + 4 && readNative(buffer, magic.size()) > maxPayload;
}

void I3IpcClient::readMessages()
{
    m_buffer.append(m_socket.readAll());
    while (std::optional<Message> message = takeMessage(m_buffer)) {
        if (message->type & eventBit) {
            Q_EMIT eventReceived(message->type, message->payload);
        } else if (!m_waiting.empty()) {
            const std::function<void(const QByteArray &)> onReply = std::move(m_waiting.front());
            m_waiting.pop_front();
            if (onReply)
                onReply(message->payload);
        }
        // A handler may have dropped the connection.
        if (!isConnected())
            return;
    }
    // Closing reports the loss through disconnected().
    if (isBroken(m_buffer))
        m_socket.abort();
}

void I3IpcClient::drop()
{
    m_buffer.clear();
    m_waiting.clear();
    Q_EMIT disconnected();
}

#include "window/desktop/singleinstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace singleinstance {

namespace {

const QString protocolWord = QStringLiteral("mp3vortan-open");
constexpr qint32 protocolVersion = 2;
constexpr char acknowledgement = 'k';
// A message larger than this is no launch's list of files.
constexpr qint64 maxMessageBytes = 16 * 1024 * 1024;

} // namespace

QString socketPath() {
    // Qt makes the runtime folder the user's own (0700) or gives nothing.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    return runtime + QStringLiteral("/mp3vortan/instance");
}

bool makePrivateFolder(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return false;
    if ((info.st_mode & 0777) != 0700 && ::chmod(name.constData(), 0700) != 0)
        return false;
    return true;
}

bool handOff(const QString& socketPath, const QStringList& paths, int timeoutMs,
             bool waitForServer, const QString& activationToken) {
    if (socketPath.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
            break;
        if (!waitForServer || deadline.hasExpired())
            return false;
        // The program that will listen is still starting: a process of its own, with no
        // signal to wait on.
        QThread::msleep(50);
    }
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << protocolWord << protocolVersion << paths << activationToken;
    QDataStream framed(&socket);
    framed << static_cast<qint64>(message.size());
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return false;
    char answer = 0;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    return socket.getChar(&answer) && answer == acknowledgement;
}

Server::Server(QString socketPath, QObject* parent)
    : QObject(parent), path_(std::move(socketPath)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection())
            serve(socket);
    });
}

Server::~Server() {
    server_->close();
}

bool Server::listen() {
    if (path_.isEmpty()) {
        error_ = tr("no private runtime folder");
        return false;
    }
    if (!makePrivateFolder(QFileInfo(path_).absolutePath())) {
        error_ = tr("%1 cannot be made private").arg(QFileInfo(path_).absolutePath());
        return false;
    }
    if (server_->listen(path_))
        return true;
    // A socket left by a program that crashed: nobody answers there any more.
    if (server_->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(path_);
        if (server_->listen(path_))
            return true;
    }
    error_ = server_->errorString();
    return false;
}

void Server::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // The message may arrive in pieces: it is taken once the whole frame is buffered.
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        constexpr qint64 headerBytes = sizeof(qint64);
        if (socket->bytesAvailable() < headerBytes)
            return;
        qint64 size = 0;
        QDataStream(socket->peek(headerBytes)) >> size;
        if (size < 0 || size > maxMessageBytes) {
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < headerBytes + size)
            return;
        socket->skip(headerBytes);
        const QByteArray message = socket->read(size);

        QDataStream body(message);
        QString word;
        qint32 version = 0;
        QStringList paths;
        QString activationToken;
        body >> word >> version >> paths >> activationToken;
        if (body.status() != QDataStream::Ok || word != protocolWord ||
            version != protocolVersion) {
            socket->abort();
            return;
        }
        socket->putChar(acknowledgement);
        socket->flush();
        socket->disconnectFromServer();
        emit pathsReceived(paths, activationToken);
    });
}

} // namespace singleinstance

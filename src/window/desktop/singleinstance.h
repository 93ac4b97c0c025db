#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// The program runs once per user: a later launch hands its files to the running program
// over a local socket and ends. The socket lives in a folder of the user's runtime folder
// that only the user may enter (0700), and is itself the user's alone, so another user's
// launch never reaches this program nor this program another user's.
//
// The message: a QDataStream of the word "mp3vortan-open", the protocol version, the
// absolute paths and the launch's activation token; the server answers one byte once it has
// taken them. GUI thread.
namespace singleinstance {

// The socket's path: "<runtime folder>/mp3vortan/instance". Empty when the user has no
// runtime folder that is theirs alone.
QString socketPath();

// Makes `folder` (and nothing above it) the user's private folder: created with mode 0700,
// or an existing one owned by the user set to 0700. False when it cannot be made private
// (another user owns it, or it is not a folder).
bool makePrivateFolder(const QString& folder);

// Hands `paths` to the program listening on `socketPath` and waits for its answer (at most
// `timeoutMs`). True when the program took them; false when nobody listens there (no
// program, or a socket left by one that crashed) or it did not answer. `waitForServer`: a
// program that does not listen yet is waited for, until the time is up. `activationToken`:
// the token the desktop gave this launch (XDG_ACTIVATION_TOKEN), with which a Wayland
// compositor lets the running program's window come to the front rather than only flag it.
bool handOff(const QString& socketPath, const QStringList& paths, int timeoutMs = 5000,
             bool waitForServer = false, const QString& activationToken = {});

// The running program's end of the socket.
class Server : public QObject {
    Q_OBJECT
  public:
    explicit Server(QString socketPath, QObject* parent = nullptr);
    ~Server() override;

    // Makes the socket's folder private and listens; a socket already there (left by a
    // program that crashed: call this only while no other program of the user listens) is
    // replaced. False, with errorString(), when it cannot listen.
    bool listen();
    QString errorString() const { return error_; }
    const QString& path() const { return path_; }

  signals:
    // A later launch handed these absolute paths (none: it only asked for the window), and
    // the activation token its desktop gave it (empty: none).
    void pathsReceived(const QStringList& paths, const QString& activationToken);

  private:
    void serve(QLocalSocket* socket);

    QString path_;
    QString error_;
    QLocalServer* server_ = nullptr; // child
};

} // namespace singleinstance

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class Form1;

// Files and folders handed to the program when it starts ("mp3vortan a.wav Album/"), or to
// the running program by a second launch. GUI thread.
namespace openwith {

// Each argument as an absolute, clean path: a relative one against `workingFolder` (the
// folder of the launch that named it), a "file:" URL as its local file. Empty arguments
// are dropped.
QStringList absolutePaths(const QStringList& arguments, const QString& workingFolder);

// What opening a set of paths did.
struct Outcome {
    QStringList listed;  // files put in the tree
    QStringList images;  // cue sheets opened as disc images
    QStringList refused; // neither a listable file, a cue sheet nor a folder
};

// Opens `paths` in `window` as File > Open and File > Open Disc Image... do: a WAV, MP3 or
// other audio file is listed in its group; a cue sheet is opened as a disc image (the last
// one stays the media drive); a folder lists the audio files in it and its subfolders, in
// path order, walked on a worker thread. Files already listed stay as they are. Cue sheets
// are opened before this returns; the files are listed, what could not be opened is named in
// one message through the dialogs seam, and `done` runs, before it returns when no folder
// was given, else once the folders have been walked (never when the window goes first).
void openPaths(Form1& window, const QStringList& paths,
               std::function<void(const Outcome&)> done = {});

// Takes what later launches hand over (singleinstance::Server::pathsReceived): the window
// comes to the front, out of the tray too (on Wayland with the launch's activation token,
// so the compositor lets it take the focus), and the paths are opened, at once when the window
// is idle, else once its job has ended (the file lists are the job's meanwhile). GUI thread;
// a child of the window.
class LaunchReceiver : public QObject {
    Q_OBJECT
  public:
    explicit LaunchReceiver(Form1& window);
    void receive(const QStringList& paths, const QString& activationToken = {});

  private:
    void openPending();

    Form1& window_;
    QStringList pending_;
};

} // namespace openwith

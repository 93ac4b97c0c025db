#pragma once

#include <QString>

// Path helpers over "/"-separated paths.

// The folder part, with its trailing "/", of the last path given to SplitPath; empty when
// that path had no "/". GUI thread only.
extern QString LastFolder;

// The file name of `path` less its folder and less its last four characters (the extension
// with its dot): "/music/a.mp3" gives "a", "song.flac" gives "song.". When the path ends in
// "/" the whole input less four characters is returned ("/music/cd/" gives "/music"). Nothing
// checks that the four characters are an extension. A name of fewer than four characters has no
// room for one and is returned whole rather than failing ("a.b" gives "a.b").
QString BaseName(const QString& path);

// The part of `path` after its last "/" (the whole path when it has none). Pure: safe on
// any thread.
QString FileNameOf(const QString& path);

// The one rule that tells a WAV or an MP3 file by its name, everywhere (tree, batches,
// deletion, listing, player): it ends in ".wav" / ".mp3" in any case ("Song.WAV", "a.Mp3").
// Pure.
bool isWavPath(const QString& path);
bool isMp3Path(const QString& path);

// The file name of `path` less `extension` (".wav") when it ends in it in any case, else the
// whole file name: "/in/Song.WAV" gives "Song", "take" stays "take", "a.wave" stays "a.wave",
// and a name that is nothing but the extension (".wav") stays whole. Pure.
QString StemOf(const QString& path, QLatin1StringView extension);

// The file a conversion writes for `source` into `folder`: the source's name with its
// extension `from` (any case) replaced by `to`, or `to` added when it has another one or
// none ("take" gives "take.mp3", "a.wave" gives "a.wave.mp3"). The root folder is the empty
// string (its files are "/name"). Names too long for the file system are shortened where the
// file is claimed (OutputNames). Pure.
QString OutputPathFor(const QString& folder, const QString& source, QLatin1StringView from,
                      QLatin1StringView to);
// The part of `path` up to and including its last "/"; empty when it has none. Pure.
QString FolderOf(const QString& path);

// The part of `path` after its last "/" (empty when it ends in "/"), or the whole path when
// it has none; sets LastFolder to the part up to and including that "/".
QString SplitPath(const QString& path);

// Creates every missing folder of the absolute path `path`, one level at a time from "/".
// Returns true when the whole chain exists. The process's working folder stays where it is
// (a working folder inside the chain would keep its disk from being unmounted). On failure
// shows the "SETUP" message; folders already created stay.
bool MakeDirs(const QString& path);
// MakeDirs without its message, for callers that say the failure in their own words.
bool MakeDirsQuietly(const QString& path);

// The folder that holds the program file.
QString ProgramFolder();

// True when the program runs from an installation: the installation's data folder
// (PREFIX/share/mp3vortan) lies where the install puts it relative to the program's folder
// (PREFIX/bin). That folder then belongs to the system, whether or not the user may write
// it: the program keeps its own files elsewhere.
bool InstalledProgram();

// The folder of the help pages: "help" in the installation's data folder for an installed
// program, "help" beside the program otherwise (a build tree).
QString HelpFolder();

// The folder of the program's translations (.qm files), found as HelpFolder() is:
// "translations" in the installation's data folder, or beside the program in a build tree.
QString TranslationsFolder();

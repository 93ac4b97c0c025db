#pragma once

#include <QString>

class Form1;
class Form6;

// The main window's side of MP3 decoding. Form1::CmdDecoder_Click (the decoding batch) is
// defined in cmddecoder.cpp. GUI thread only.

// Loads a fresh decoder window for `path` on behalf of `form`: when no file answers to
// the path, does nothing but clear DecodingActive (so no wait can hang on it); otherwise
// shows the cancel button Command2, sets DecodingActive and loads the window, which then
// mirrors its progress in Label33 and ProgressBar1 and unloads on the form's
// decoderWindowUnloadRequested.
void StartDecoding(Form1& form, const QString& path);

// The decoder window the batch holds a reference to, if any.
Form6* decoderWindow();
// Drops that reference (the window is destroyed; a loaded one unloads first).
void dropDecoderWindow();

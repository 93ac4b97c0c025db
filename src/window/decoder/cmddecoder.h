#pragma once

// The main window's decoding batch, Form1::CmdDecoder_Click, is defined in cmddecoder.cpp:
// every MP3 of a group, or the one MP3 whose node is selected, decoded to WAV in the
// destination folder through the shared batch loop, one decoder window (DecodeJob) per file.

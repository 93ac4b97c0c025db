<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ActiveMP3</name>
    <message>
        <source>: the file is incomplete: %1 ms of its audio are missing (it holds %2 of %3 samples; what it holds was converted)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConvertFolderDialog</name>
    <message>
        <source>Convert Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folders to convert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Folders to convert:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re&amp;move</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Into the folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Into the folder:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;ormat:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MP3 bitrate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FLAC compression level</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0: fastest, 8: smallest files; the sound is the same</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opus bitrate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> kbit/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove outputs whose source is &amp;gone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Names valid on memory cards and phones</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 and %2: one folder lies inside the other, and its files would be converted twice. Remove one of them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add the folder to convert.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the folder to convert into.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Give the folder to convert into from the top, starting with &quot;/&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert Folder: a folder to convert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert Folder: the folder to convert into</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bit&amp;rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compression &amp;level:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Counting the files...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The files could not be counted: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 to convert, %2 to copy, %3 up to date, %4 to remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %1 failing</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DropHighlightDelegate</name>
    <message>
        <source>New name of the file</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FfmpegDecoder</name>
    <message>
        <source>the file is in no format the program reads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file holds no audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the audio is protected (DRM) and cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file&apos;s audio is in a code the program does not read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file&apos;s audio cannot be decoded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file&apos;s audio cannot be decoded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a frame of its audio is damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its audio cannot be decoded (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reading it failed (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its audio is damaged (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a frame of its audio has no format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its audio changes its format midway</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its audio cannot be converted</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FlacDecoder</name>
    <message>
        <source>out of memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file cannot be opened</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not a FLAC file, or its stream information is damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its stream information is damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it holds more audio than its stream information announces</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Track 00, the hidden track, lies before the first track, where a recording cannot start: it is extracted in one step only (tick &quot;2 Step Extraction&quot; to change to &quot;1 Step Extraction&quot;).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track %1 is a data track: it holds no audio to record. Select an audio track.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tracks %1 are data tracks: they hold no audio to record. Select an audio track.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination&apos;s disk has %1 MB free, below the stop level of %2 MB.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The first file not started needs about %1 MB, and the destination&apos;s disk has %2 MB free</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, of which the files under way still need about %1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start converting the selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lossless and compressed; the level is set in Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Small files of good sound; the bitrate is set in Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also write %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also write each track as %1, from the same reading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start extracting tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also write:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FrmPrefs</name>
    <message>
        <source>Preference pages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formats</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Drive:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;older:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert audio files to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The format Start writes the selected audio files (FLAC, Ogg, Opus, M4A...) in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FLAC compression level</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0: fastest, 8: smallest files; the sound is the same</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> kbit/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opus bitrate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Higher is better sound and larger files (128 kbit/s: transparent for most music)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con&amp;vert audio files to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FLAC compression &amp;level</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opus &amp;bitrate</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FrmSearch</name>
    <message>
        <source>Where to search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Drive:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;older:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Help page</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Cannot rename %1 to %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it holds characters an ID3v1 tag cannot store</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is longer than %1 characters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; is written as &quot;%3&quot;: %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, and </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genre &quot;%1&quot; is written as 0: a genre is a number from 0 to 255.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StreamEncoder</name>
    <message>
        <source>FLAC holds one to eight channels; the audio has %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FLAC compression level %1 is not between 0 and 8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The FLAC encoder could not be created (out of memory)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The FLAC seek table could not be made (out of memory)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The FLAC padding could not be made (out of memory)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A sample lies outside the range of %1-bit audio (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The FLAC encoder&apos;s check failed: sample %1 of channel %2 decoded as %3 instead of %4 (%5)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The FLAC encoder failed (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The FLAC seek table could not be rewritten</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opus holds one to eight channels; the audio has %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An Opus bitrate of %1 kbit/s is not between %2 and %3 kbit/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Opus encoder refused %1 channels at %2 Hz (%3)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VorbisDecoder</name>
    <message>
        <source>not an Ogg Vorbis stream</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Vorbis version is one the program does not read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Vorbis stream&apos;s headers are damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Vorbis stream has more channels than the program reads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a page of the Ogg stream is missing or damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Vorbis stream is damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a later part of the stream has another rate or channel count</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WavEncoder</name>
    <message>
        <source>%1: a WAV file holds at most 4 GiB of audio; this audio takes more</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: a WAV file cannot hold %2 channels at %3 Hz</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>flac</name>
    <message>
        <source>FLAC does not take %1 channels</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FLAC does not take %1-bit samples</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FLAC does not take a rate of %1 Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the FLAC encoder refused its settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmPlayList</name>
    <message>
        <source>Write the tag anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write tag</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was copied to %2, but the original cannot be removed: %3</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>opus</name>
    <message>
        <source>The Opus encoder failed (%1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>pipeline</name>
    <message>
        <source>%1: MP3 holds at most two channels; the audio has %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the MP3 encoder refused %2 channels at %3 Hz (%4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the audio&apos;s format is not valid (%2 Hz, %3 channels, %4 bits)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: no encoder for this format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the file is incomplete: %1 ms of its audio are missing (it holds %2 of %3 samples; what it holds was converted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the file is incomplete: its audio is damaged after %1 (%2; what it holds before was converted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the file&apos;s description of its audio is damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the file does not exist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: not a file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the file cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the file is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the WAV file&apos;s audio is coded in a way the program does not read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the FLAC file cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: the WAV file&apos;s audio is coded in a way the program does not read</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>pipeline::FlacSource</name>
    <message>
        <source>: the file is damaged: its audio does not match the MD5 signature it records</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>pipeline::WavSource</name>
    <message>
        <source>: the file cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>singleinstance::Server</name>
    <message>
        <source>no private runtime folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be made private</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>

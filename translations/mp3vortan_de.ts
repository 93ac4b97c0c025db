<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ActiveMP3</name>
    <message>
        <source>: the file is incomplete: %1 ms of its audio are missing (it holds %2 of %3 samples; what it holds was converted)</source>
        <translation>: die Datei ist unvollständig: %1 ms ihres Audios fehlen (sie enthält %2 von %3 Samples; was sie enthält, wurde umgewandelt)</translation>
    </message>
    <message>
        <source>No input file</source>
        <translation>Keine Eingabedatei</translation>
    </message>
    <message>
        <source>The output file is the input file</source>
        <translation>Die Ausgabedatei ist die Eingabedatei</translation>
    </message>
    <message>
        <source>Cannot write </source>
        <translation>Schreiben nicht möglich: </translation>
    </message>
    <message>
        <source>No output</source>
        <translation>Keine Ausgabe</translation>
    </message>
    <message>
        <source>The output refuses this audio format</source>
        <translation>Die Ausgabe lehnt dieses Audioformat ab</translation>
    </message>
    <message>
        <source>The output failed</source>
        <translation>Die Ausgabe ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>it takes no more audio</source>
        <translation>sie nimmt kein Audio mehr an</translation>
    </message>
    <message>
        <source>Cannot decode </source>
        <translation>Dekodieren nicht möglich: </translation>
    </message>
</context>
<context>
    <name>BatchRunner</name>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
</context>
<context>
    <name>BoundedGet</name>
    <message>
        <source>%1 (redirected to %2)</source>
        <translation>%1 (umgeleitet zu %2)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; names no %2 server: %3</source>
        <translation>&quot;%1&quot; nennt keinen %2-Server: %3</translation>
    </message>
    <message>
        <source>write it as host:port</source>
        <translation>schreiben Sie es als Host:Port</translation>
    </message>
    <message>
        <source>the port must be a number from 1 to 65535</source>
        <translation>der Port muss eine Zahl von 1 bis 65535 sein</translation>
    </message>
    <message>
        <source>no whole answer within the time allowed</source>
        <translation>keine vollständige Antwort in der erlaubten Zeit</translation>
    </message>
    <message>
        <source>the head of its answer runs past %1 kB</source>
        <translation>der Kopf seiner Antwort ist länger als %1 kB</translation>
    </message>
    <message>
        <source>its answer does not begin with an HTTP status line</source>
        <translation>seine Antwort beginnt nicht mit einer HTTP-Statuszeile</translation>
    </message>
    <message>
        <source>a chunk of its answer is longer than its size</source>
        <translation>ein Block seiner Antwort ist länger als seine Größe</translation>
    </message>
    <message>
        <source>a chunk of its answer has no size</source>
        <translation>ein Block seiner Antwort hat keine Größe</translation>
    </message>
    <message>
        <source>the answer is larger than %1 bytes</source>
        <translation>die Antwort ist größer als %1 Bytes</translation>
    </message>
    <message>
        <source>its answer&apos;s length cannot be read</source>
        <translation>die Länge seiner Antwort ist nicht lesbar</translation>
    </message>
    <message>
        <source>the answer announces %1 bytes</source>
        <translation>die Antwort kündigt %1 Bytes an</translation>
    </message>
    <message>
        <source>HTTP %1 %2</source>
        <translation>HTTP %1 %2</translation>
    </message>
    <message>
        <source>redirected the request (%1) without naming where to</source>
        <translation>leitete die Anfrage um (%1), ohne ein Ziel zu nennen</translation>
    </message>
    <message>
        <source>redirected the request (%1) to &quot;%2&quot;, which is no web address</source>
        <translation>leitete die Anfrage (%1) zu &quot;%2&quot; um, was keine Webadresse ist</translation>
    </message>
    <message>
        <source>redirected the request (%1) to %2, an unencrypted address; the redirect was not followed</source>
        <translation>leitete die Anfrage (%1) zu %2 um, einer unverschlüsselten Adresse; der Umleitung wurde nicht gefolgt</translation>
    </message>
    <message>
        <source>redirected the request (%1) to %2 after %3 redirects in a row (a redirect loop); the redirect was not followed</source>
        <translation>leitete die Anfrage (%1) nach %3 Umleitungen in Folge zu %2 um (eine Umleitungsschleife); der Umleitung wurde nicht gefolgt</translation>
    </message>
    <message>
        <source>the connection was closed before any answer came</source>
        <translation>die Verbindung wurde geschlossen, bevor eine Antwort kam</translation>
    </message>
    <message>
        <source>the connection was closed inside the head of the answer</source>
        <translation>die Verbindung wurde im Kopf der Antwort geschlossen</translation>
    </message>
    <message>
        <source>the connection was closed after %1 of %2 bytes</source>
        <translation>die Verbindung wurde nach %1 von %2 Bytes geschlossen</translation>
    </message>
    <message>
        <source>the connection was closed after %1 bytes, inside a chunk</source>
        <translation>die Verbindung wurde nach %1 Bytes innerhalb eines Blocks geschlossen</translation>
    </message>
    <message>
        <source>Host %1 not found</source>
        <translation>Host %1 nicht gefunden</translation>
    </message>
    <message>
        <source>redirected the request (%1) to %2, %3; the redirect was not followed</source>
        <translation>hat die Anfrage (%1) nach %2 umgeleitet, %3; der Umleitung wurde nicht gefolgt</translation>
    </message>
</context>
<context>
    <name>CaptureJob</name>
    <message>
        <source>%1: the track has no length on the disc</source>
        <translation>%1: der Titel hat auf der CD keine Länge</translation>
    </message>
    <message>
        <source>Error opening waveaudio</source>
        <translation>Fehler beim Öffnen von waveaudio</translation>
    </message>
    <message>
        <source>Error setting capture recording paramaters</source>
        <translation>Fehler beim Setzen der Aufnahmeparameter</translation>
    </message>
    <message>
        <source>Error opening cd!</source>
        <translation>Fehler beim Öffnen der CD!</translation>
    </message>
    <message>
        <source>Error playing cd!</source>
        <translation>Fehler beim Abspielen der CD!</translation>
    </message>
    <message>
        <source>%1: the disc stopped playing at %2 ms of the track</source>
        <translation>%1: die CD hörte bei %2 ms des Titels auf zu spielen</translation>
    </message>
    <message>
        <source>%1: the recording could not be cut to the track</source>
        <translation>%1: die Aufnahme konnte nicht auf den Titel zugeschnitten werden</translation>
    </message>
    <message>
        <source>%1: the recording could not be saved</source>
        <translation>%1: die Aufnahme konnte nicht gespeichert werden</translation>
    </message>
    <message>
        <source>%1: the recording stopped before the track&apos;s end</source>
        <translation>%1: die Aufnahme endete vor dem Ende des Titels</translation>
    </message>
</context>
<context>
    <name>CdAudio</name>
    <message>
        <source>The disc cannot be read at sector %1</source>
        <translation>Die CD kann bei Sektor %1 nicht gelesen werden</translation>
    </message>
</context>
<context>
    <name>CdExtractJob</name>
    <message>
        <source>Track %1: </source>
        <translation>Titel %1: </translation>
    </message>
    <message>
        <source>%1: the disc did not read the same twice (test CRC32 %2, copy CRC32 %3): the copy may hold read errors</source>
        <translation>%1: die CD las sich nicht zweimal gleich (Test-CRC32 %2, Kopie-CRC32 %3): die Kopie kann Lesefehler enthalten</translation>
    </message>
    <message>
        <source>stopped after %1 of %2; no file was kept</source>
        <translation>nach %1 von %2 gestoppt; keine Datei wurde behalten</translation>
    </message>
    <message>
        <source>%1: stopped after %2 of %3; the file holds what was read</source>
        <translation>%1: nach %2 von %3 gestoppt; die Datei enthält, was gelesen wurde</translation>
    </message>
    <message>
        <source>Track %1, sector %2: %3 The file %4 holds the %5 of %6 read before it.</source>
        <translation>Titel %1, Sektor %2: %3 Die Datei %4 enthält die %5 von %6, die davor gelesen wurden.</translation>
    </message>
    <message>
        <source>%1: incomplete, the disc could not be read at sector %2; the file holds %3 of %4 (%5)</source>
        <translation>%1: unvollständig, die CD konnte bei Sektor %2 nicht gelesen werden; die Datei enthält %3 von %4 (%5)</translation>
    </message>
    <message>
        <source>%1: no track to extract</source>
        <translation>%1: kein Titel zum Auslesen</translation>
    </message>
    <message>
        <source>Track %1: %2 is damaged: the disc could not be read at %3; silence stands there</source>
        <translation>Titel %1: %2 ist beschädigt: die CD konnte bei %3 nicht gelesen werden; dort steht Stille</translation>
    </message>
    <message>
        <source>%1: the folder %2 cannot be created</source>
        <translation>%1: der Ordner %2 kann nicht angelegt werden</translation>
    </message>
</context>
<context>
    <name>ConversionService</name>
    <message>
        <source>Destination:  </source>
        <translation>Ziel:  </translation>
    </message>
    <message>
        <source>decoded</source>
        <translation>dekodiert</translation>
    </message>
    <message>
        <source> bytes</source>
        <translation> Bytes</translation>
    </message>
    <message>
        <source>Decoding </source>
        <translation>Dekodieren </translation>
    </message>
    <message>
        <source>Decoding #%1 of %2 files</source>
        <translation>Dekodieren #%1 von %2 Dateien</translation>
    </message>
    <message>
        <source>Decoding</source>
        <translation>Dekodieren</translation>
    </message>
    <message>
        <source>Decoding  </source>
        <translation>Dekodieren  </translation>
    </message>
</context>
<context>
    <name>ConvertFolderDialog</name>
    <message>
        <source>Convert Folder</source>
        <translation>Ordner umwandeln</translation>
    </message>
    <message>
        <source>Folders to convert</source>
        <translation>Umzuwandelnde Ordner</translation>
    </message>
    <message>
        <source>&amp;Folders to convert:</source>
        <translation>&amp;Ordner zum Umwandeln:</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>Re&amp;move</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Into the folder</source>
        <translation>In den Ordner</translation>
    </message>
    <message>
        <source>&amp;Into the folder:</source>
        <translation>&amp;In den Ordner:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>F&amp;ormat:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source>MP3 bitrate</source>
        <translation>MP3-Bitrate</translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>FLAC compression level</source>
        <translation>FLAC-Kompressionsstufe</translation>
    </message>
    <message>
        <source>0: fastest, 8: smallest files; the sound is the same</source>
        <translation>0: am schnellsten, 8: kleinste Dateien; der Klang ist derselbe</translation>
    </message>
    <message>
        <source>Opus bitrate</source>
        <translation>Opus-Bitrate</translation>
    </message>
    <message>
        <source> kbit/s</source>
        <translation> kbit/s</translation>
    </message>
    <message>
        <source>Remove outputs whose source is &amp;gone</source>
        <translation>Ausgaben mit verschwundener &amp;Quelle entfernen</translation>
    </message>
    <message>
        <source>&amp;Names valid on memory cards and phones</source>
        <translation>&amp;Namen, die auf Speicherkarten und Handys gelten</translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Umwandeln</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 and %2: one folder lies inside the other, and its files would be converted twice. Remove one of them.</source>
        <translation>%1 und %2: Ein Ordner liegt im anderen, seine Dateien würden zweimal umgewandelt. Entfernen Sie einen davon.</translation>
    </message>
    <message>
        <source>Add the folder to convert.</source>
        <translation>Fügen Sie den umzuwandelnden Ordner hinzu.</translation>
    </message>
    <message>
        <source>Choose the folder to convert into.</source>
        <translation>Wählen Sie den Ordner, in den umgewandelt wird.</translation>
    </message>
    <message>
        <source>Give the folder to convert into from the top, starting with &quot;/&quot;.</source>
        <translation>Geben Sie den Zielordner vollständig an, beginnend mit &quot;/&quot;.</translation>
    </message>
    <message>
        <source>Convert Folder: a folder to convert</source>
        <translation>Ordner umwandeln: ein umzuwandelnder Ordner</translation>
    </message>
    <message>
        <source>Convert Folder: the folder to convert into</source>
        <translation>Ordner umwandeln: der Zielordner</translation>
    </message>
    <message>
        <source>Bit&amp;rate:</source>
        <translation>Bit&amp;rate:</translation>
    </message>
    <message>
        <source>Compression &amp;level:</source>
        <translation>Kompressions&amp;stufe:</translation>
    </message>
    <message>
        <source>Counting the files...</source>
        <translation>Dateien werden gezählt...</translation>
    </message>
    <message>
        <source>The files could not be counted: %1</source>
        <translation>Die Dateien konnten nicht gezählt werden: %1</translation>
    </message>
    <message>
        <source>%1 to convert, %2 to copy, %3 up to date, %4 to remove</source>
        <translation>%1 umzuwandeln, %2 zu kopieren, %3 aktuell, %4 zu entfernen</translation>
    </message>
    <message>
        <source>, %1 failing</source>
        <translation>, %1 fehlerhaft</translation>
    </message>
</context>
<context>
    <name>CoverArtBox</name>
    <message>
        <source>Cover Art</source>
        <translation>Cover</translation>
    </message>
    <message>
        <source>Cover art server</source>
        <translation>Cover-Server</translation>
    </message>
    <message>
        <source>Where a looked-up release&apos;s front cover is fetched from (https)</source>
        <translation>Woher das Frontcover einer nachgeschlagenen Veröffentlichung geholt wird (https)</translation>
    </message>
    <message>
        <source>Cover art size</source>
        <translation>Covergröße</translation>
    </message>
    <message>
        <source>250 pixels</source>
        <translation>250 Pixel</translation>
    </message>
    <message>
        <source>500 pixels</source>
        <translation>500 Pixel</translation>
    </message>
    <message>
        <source>1200 pixels</source>
        <translation>1200 Pixel</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Save cover.jpg beside the files</source>
        <translation>cover.jpg neben den Dateien speichern</translation>
    </message>
    <message>
        <source>A rip writes the front cover beside its tracks; a file of that name already there is kept</source>
        <translation>Ein Rip legt das Frontcover neben seine Titel; eine schon vorhandene Datei dieses Namens bleibt erhalten</translation>
    </message>
</context>
<context>
    <name>DecodeJob</name>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>The file is too short to hold MPEG audio</source>
        <translation>Die Datei ist zu kurz, um MPEG-Audio zu enthalten</translation>
    </message>
</context>
<context>
    <name>DiscLookup</name>
    <message>
        <source>&quot;%1&quot; names no MusicBrainz server: a server other than this computer is only asked over https</source>
        <translation>&quot;%1&quot; nennt keinen MusicBrainz-Server: ein anderer Server als dieser Rechner wird nur über https gefragt</translation>
    </message>
    <message>
        <source>The answer of the MusicBrainz service cannot be read: %1</source>
        <translation>Die Antwort des MusicBrainz-Dienstes ist nicht lesbar: %1</translation>
    </message>
    <message>
        <source>it is not a JSON object</source>
        <translation>sie ist kein JSON-Objekt</translation>
    </message>
    <message>
        <source>it holds no list of releases</source>
        <translation>sie enthält keine Liste von Veröffentlichungen</translation>
    </message>
    <message>
        <source>%1 %2 of %3</source>
        <translation>%1 %2 von %3</translation>
    </message>
    <message>
        <source>Disc</source>
        <translation>CD</translation>
    </message>
</context>
<context>
    <name>DropHighlightDelegate</name>
    <message>
        <source>New name of the file</source>
        <translation>Neuer Name der Datei</translation>
    </message>
</context>
<context>
    <name>Encoder</name>
    <message>
        <source>%1: MP3 holds at most two channels; the audio has %2</source>
        <translation>%1: MP3 fasst höchstens zwei Kanäle; das Audio hat %2</translation>
    </message>
    <message>
        <source>%1: the MP3 encoder refused %2 channels at %3 Hz (%4)</source>
        <translation>%1: Der MP3-Encoder lehnte %2 Kanäle bei %3 Hz ab (%4)</translation>
    </message>
    <message>
        <source>%1: the audio&apos;s format is not valid (%2 Hz, %3 channels, %4 bits)</source>
        <translation>%1: Das Format des Audios ist ungültig (%2 Hz, %3 Kanäle, %4 Bit)</translation>
    </message>
    <message>
        <source>%1: no encoder for this format</source>
        <translation>%1: kein Encoder für dieses Format</translation>
    </message>
</context>
<context>
    <name>ExtractionPlan</name>
    <message>
        <source>WAV, 44,100 Hz, 16-bit, stereo</source>
        <translation>WAV, 44.100 Hz, 16 Bit, stereo</translation>
    </message>
    <message>
        <source>MP3, %1 kbit/s, quality %2</source>
        <translation>MP3, %1 kbit/s, Qualität %2</translation>
    </message>
    <message>
        <source>FLAC, level %1</source>
        <translation>FLAC, Stufe %1</translation>
    </message>
    <message>
        <source>Opus, %1 kbit/s</source>
        <translation>Opus, %1 kbit/s</translation>
    </message>
    <message>
        <source>Track %1: %2</source>
        <translation>Titel %1: %2</translation>
    </message>
    <message>
        <source>Track %1: there is no readable disc in the drive</source>
        <translation>Titel %1: im Laufwerk ist keine lesbare CD</translation>
    </message>
    <message>
        <source>Track 0 is not on the disc: it has no hidden track before track %1</source>
        <translation>Titel 0 ist nicht auf der CD: sie hat keinen versteckten Titel vor Titel %1</translation>
    </message>
    <message>
        <source>Track %1 is missing: the image&apos;s data file ends before the track starts</source>
        <translation>Titel %1 fehlt: die Datendatei des Abbilds endet vor dem Beginn des Titels</translation>
    </message>
    <message>
        <source>Track %1 is not on the disc (its tracks are %2 to %3)</source>
        <translation>Titel %1 ist nicht auf der CD (ihre Titel sind %2 bis %3)</translation>
    </message>
    <message>
        <source>Track %1 is a data track: it holds no audio</source>
        <translation>Titel %1 ist ein Datentitel: er enthält kein Audio</translation>
    </message>
    <message>
        <source>%1 (the album&apos;s ReplayGain could not be written into its tag)</source>
        <translation>%1 (das ReplayGain des Albums konnte nicht in sein Tag geschrieben werden)</translation>
    </message>
</context>
<context>
    <name>FfmpegDecoder</name>
    <message>
        <source>the file is in no format the program reads</source>
        <translation>die Datei hat kein Format, das das Programm liest</translation>
    </message>
    <message>
        <source>the file holds no audio</source>
        <translation>die Datei enthält kein Audio</translation>
    </message>
    <message>
        <source>the audio is protected (DRM) and cannot be read</source>
        <translation>das Audio ist geschützt (DRM) und kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the file&apos;s audio is in a code the program does not read</source>
        <translation>das Audio der Datei ist in einer Kodierung, die das Programm nicht liest</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>kein Speicher mehr frei</translation>
    </message>
    <message>
        <source>the file&apos;s audio cannot be decoded</source>
        <translation>das Audio der Datei kann nicht dekodiert werden</translation>
    </message>
    <message>
        <source>the file&apos;s audio cannot be decoded: %1</source>
        <translation>das Audio der Datei kann nicht dekodiert werden: %1</translation>
    </message>
    <message>
        <source>a frame of its audio is damaged</source>
        <translation>ein Frame ihres Audios ist beschädigt</translation>
    </message>
    <message>
        <source>its audio cannot be decoded (%1)</source>
        <translation>ihr Audio kann nicht dekodiert werden (%1)</translation>
    </message>
    <message>
        <source>reading it failed (%1)</source>
        <translation>das Lesen schlug fehl (%1)</translation>
    </message>
    <message>
        <source>its audio is damaged (%1)</source>
        <translation>ihr Audio ist beschädigt (%1)</translation>
    </message>
    <message>
        <source>a frame of its audio has no format</source>
        <translation>ein Frame ihres Audios hat kein Format</translation>
    </message>
    <message>
        <source>its audio changes its format midway</source>
        <translation>ihr Audio wechselt mittendrin das Format</translation>
    </message>
    <message>
        <source>its audio cannot be converted</source>
        <translation>ihr Audio kann nicht umgewandelt werden</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
</context>
<context>
    <name>FlacDecoder</name>
    <message>
        <source>out of memory</source>
        <translation>kein Speicher mehr frei</translation>
    </message>
    <message>
        <source>the file cannot be opened</source>
        <translation>die Datei kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>not a FLAC file, or its stream information is damaged</source>
        <translation>keine FLAC-Datei, oder ihre Stream-Informationen sind beschädigt</translation>
    </message>
    <message>
        <source>its stream information is damaged</source>
        <translation>ihre Stream-Informationen sind beschädigt</translation>
    </message>
    <message>
        <source>it holds more audio than its stream information announces</source>
        <translation>sie enthält mehr Audio, als ihre Stream-Informationen angeben</translation>
    </message>
    <message>
        <source>a frame lost its sync</source>
        <translation>ein Frame hat die Synchronisation verloren</translation>
    </message>
    <message>
        <source>a frame header is damaged</source>
        <translation>ein Frame-Kopf ist beschädigt</translation>
    </message>
    <message>
        <source>a frame fails its CRC check</source>
        <translation>ein Frame besteht seine CRC-Prüfung nicht</translation>
    </message>
    <message>
        <source>a frame cannot be decoded</source>
        <translation>ein Frame kann nicht dekodiert werden</translation>
    </message>
    <message>
        <source>a metadata block is damaged</source>
        <translation>ein Metadatenblock ist beschädigt</translation>
    </message>
    <message>
        <source>the stream is damaged</source>
        <translation>der Stream ist beschädigt</translation>
    </message>
    <message>
        <source>a frame&apos;s format differs from the stream&apos;s</source>
        <translation>das Format eines Frames weicht von dem des Streams ab</translation>
    </message>
</context>
<context>
    <name>FlacEncoder</name>
    <message>
        <source>FLAC does not take %1 channels</source>
        <translation>FLAC nimmt keine %1 Kanäle auf</translation>
    </message>
    <message>
        <source>FLAC does not take %1-bit samples</source>
        <translation>FLAC nimmt keine %1-Bit-Samples auf</translation>
    </message>
    <message>
        <source>FLAC does not take a rate of %1 Hz</source>
        <translation>FLAC nimmt keine Abtastrate von %1 Hz auf</translation>
    </message>
    <message>
        <source>the FLAC encoder refused its settings</source>
        <translation>der FLAC-Encoder lehnte seine Einstellungen ab</translation>
    </message>
    <message>
        <source>FLAC holds one to eight channels; the audio has %1</source>
        <translation>FLAC fasst ein bis acht Kanäle; das Audio hat %1</translation>
    </message>
    <message>
        <source>FLAC compression level %1 is not between 0 and 8</source>
        <translation>FLAC-Kompressionsstufe %1 liegt nicht zwischen 0 und 8</translation>
    </message>
    <message>
        <source>The FLAC encoder could not be created (out of memory)</source>
        <translation>Der FLAC-Encoder konnte nicht erzeugt werden (kein Speicher mehr frei)</translation>
    </message>
    <message>
        <source>The FLAC seek table could not be made (out of memory)</source>
        <translation>Die FLAC-Sprungtabelle konnte nicht angelegt werden (kein Speicher mehr frei)</translation>
    </message>
    <message>
        <source>The FLAC padding could not be made (out of memory)</source>
        <translation>Der FLAC-Füllblock konnte nicht angelegt werden (kein Speicher mehr frei)</translation>
    </message>
    <message>
        <source>A sample lies outside the range of %1-bit audio (%2)</source>
        <translation>Ein Sample liegt außerhalb des Bereichs von %1-Bit-Audio (%2)</translation>
    </message>
    <message>
        <source>The FLAC encoder&apos;s check failed: sample %1 of channel %2 decoded as %3 instead of %4 (%5)</source>
        <translation>Die Prüfung des FLAC-Encoders schlug fehl: Sample %1 von Kanal %2 wurde als %3 statt %4 dekodiert (%5)</translation>
    </message>
    <message>
        <source>The FLAC encoder failed (%1)</source>
        <translation>Der FLAC-Encoder ist fehlgeschlagen (%1)</translation>
    </message>
    <message>
        <source>The FLAC seek table could not be rewritten</source>
        <translation>Die FLAC-Sprungtabelle konnte nicht neu geschrieben werden</translation>
    </message>
</context>
<context>
    <name>FolderWalk</name>
    <message>
        <source>%1: the folder cannot be read (%2)</source>
        <translation>%1: der Ordner kann nicht gelesen werden (%2)</translation>
    </message>
    <message>
        <source>a link that leads nowhere</source>
        <translation>ein Link ins Leere</translation>
    </message>
    <message>
        <source>: a link back to a folder above it (a loop); not followed</source>
        <translation>: ein Link zurück zu einem Ordner darüber (eine Schleife); nicht gefolgt</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Track 00, the hidden track, lies before the first track, where a recording cannot start: it is extracted in one step only (tick &quot;2 Step Extraction&quot; to change to &quot;1 Step Extraction&quot;).</source>
        <translation>Titel 00, der versteckte Titel, liegt vor dem ersten Titel, wo keine Aufnahme beginnen kann: Er wird nur in einem Schritt ausgelesen (klicken Sie auf &quot;Auslesen in 2 Schritten&quot;, um zu &quot;Auslesen in 1 Schritt&quot; zu wechseln).</translation>
    </message>
    <message>
        <source>Track %1 is a data track: it holds no audio to record. Select an audio track.</source>
        <translation>Titel %1 ist ein Datentitel: Er enthält kein Audio zum Aufnehmen. Wählen Sie einen Audiotitel.</translation>
    </message>
    <message>
        <source>Tracks %1 are data tracks: they hold no audio to record. Select an audio track.</source>
        <translation>Die Titel %1 sind Datentitel: Sie enthalten kein Audio zum Aufnehmen. Wählen Sie einen Audiotitel.</translation>
    </message>
    <message>
        <source>The destination&apos;s disk has %1 MB free, below the stop level of %2 MB.</source>
        <translation>Der Datenträger des Ziels hat %1 MB frei, weniger als die Stoppgrenze von %2 MB.</translation>
    </message>
    <message>
        <source>The first file not started needs about %1 MB, and the destination&apos;s disk has %2 MB free</source>
        <translation>Die erste noch nicht begonnene Datei braucht etwa %1 MB, und der Datenträger des Ziels hat %2 MB frei</translation>
    </message>
    <message>
        <source>, of which the files under way still need about %1 MB</source>
        <translation>, wovon die laufenden Dateien noch etwa %1 MB brauchen</translation>
    </message>
    <message>
        <source>Start converting the selection</source>
        <translation>Umwandlung der Auswahl starten</translation>
    </message>
    <message>
        <source>Lossless and compressed; the level is set in Preferences</source>
        <translation>Verlustfrei und komprimiert; die Stufe wird in den Einstellungen festgelegt</translation>
    </message>
    <message>
        <source>Small files of good sound; the bitrate is set in Preferences</source>
        <translation>Kleine Dateien mit gutem Klang; die Bitrate wird in den Einstellungen festgelegt</translation>
    </message>
    <message>
        <source>Also write %1</source>
        <translation>Auch %1 schreiben</translation>
    </message>
    <message>
        <source>Also write each track as %1, from the same reading</source>
        <translation>Jeden Titel aus demselben Lesevorgang auch als %1 schreiben</translation>
    </message>
    <message>
        <source>Start extracting tracks</source>
        <translation>Auslesen der Titel starten</translation>
    </message>
    <message>
        <source>Also write:</source>
        <translation>Auch schreiben:</translation>
    </message>
    <message>
        <source>No files in list.</source>
        <translation>Keine Dateien in der Liste.</translation>
    </message>
    <message>
        <source>No files selected</source>
        <translation>Keine Dateien ausgewählt</translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>converted</source>
        <translation>umgewandelt</translation>
    </message>
    <message>
        <source>WAV, %1 Hz, 16-bit, %2</source>
        <translation>WAV, %1 Hz, 16 Bit, %2</translation>
    </message>
    <message>
        <source>mono</source>
        <translation>mono</translation>
    </message>
    <message>
        <source>stereo</source>
        <translation>stereo</translation>
    </message>
    <message>
        <source>, then encoded to </source>
        <translation>, dann kodiert zu </translation>
    </message>
    <message>
        <source> and </source>
        <translation> und </translation>
    </message>
    <message>
        <source>recorded</source>
        <translation>aufgenommen</translation>
    </message>
    <message>
        <source>Extracting Track %1</source>
        <translation>Titel %1 wird ausgelesen</translation>
    </message>
    <message>
        <source>Destination: </source>
        <translation>Ziel: </translation>
    </message>
    <message>
        <source>The album&apos;s ReplayGain could not be written into:
</source>
        <translation>Das ReplayGain des Albums konnte nicht geschrieben werden in:
</translation>
    </message>
    <message>
        <source>: encoded, but the WAV could not be deleted: </source>
        <translation>: kodiert, aber die WAV-Datei konnte nicht gelöscht werden: </translation>
    </message>
    <message>
        <source>Encoding </source>
        <translation>Kodieren </translation>
    </message>
    <message>
        <source>Destination:  </source>
        <translation>Ziel:  </translation>
    </message>
    <message>
        <source>encoded</source>
        <translation>kodiert</translation>
    </message>
    <message>
        <source>extracted</source>
        <translation>ausgelesen</translation>
    </message>
    <message>
        <source>Progress </source>
        <translation>Fortschritt </translation>
    </message>
    <message>
        <source>The disc in the drive is not the disc listed. Its tracks are not extracted: refresh the list of tracks and choose them again.</source>
        <translation>Die CD im Laufwerk ist nicht die aufgelistete CD. Ihre Titel werden nicht ausgelesen: Aktualisieren Sie die Titelliste und wählen Sie die Titel erneut.</translation>
    </message>
    <message>
        <source>You must select tracks to record.</source>
        <translation>Sie müssen Titel zum Aufnehmen auswählen.</translation>
    </message>
    <message>
        <source> Extracting Track %1</source>
        <translation> Titel %1 wird ausgelesen</translation>
    </message>
    <message>
        <source>All Tracks</source>
        <translation>Alle Titel</translation>
    </message>
    <message>
        <source>Select Tracks</source>
        <translation>Titel auswählen</translation>
    </message>
    <message>
        <source>1 Step Extraction</source>
        <translation>Auslesen in 1 Schritt</translation>
    </message>
    <message>
        <source>2 Step Extraction</source>
        <translation>Auslesen in 2 Schritten</translation>
    </message>
    <message>
        <source>Open Disc Image</source>
        <translation>CD-Abbild öffnen</translation>
    </message>
    <message>
        <source>Cue Sheets (*.cue)</source>
        <translation>Cue-Sheets (*.cue)</translation>
    </message>
    <message>
        <source>%1: the data file holds less than the cue sheet describes (an incomplete copy?).

%2</source>
        <translation>%1: Die Datendatei enthält weniger, als das Cue-Sheet beschreibt (eine unvollständige Kopie?).

%2</translation>
    </message>
    <message>
        <source>Verify against Disc</source>
        <translation>Mit CD vergleichen</translation>
    </message>
    <message>
        <source>Convert Folder</source>
        <translation>Ordner umwandeln</translation>
    </message>
    <message>
        <source>Converted: %1
Copied: %2
Up to date: %3
Failed: %4
Removed: %5</source>
        <translation>Umgewandelt: %1
Kopiert: %2
Aktuell: %3
Fehlgeschlagen: %4
Entfernt: %5</translation>
    </message>
    <message>
        <source> #%1 of %2 files</source>
        <translation> #%1 von %2 Dateien</translation>
    </message>
    <message>
        <source>Look Up Disc Information</source>
        <translation>CD-Informationen abrufen</translation>
    </message>
    <message>
        <source>Disc Information</source>
        <translation>CD-Informationen</translation>
    </message>
    <message>
        <source>There is no music disc to look at. Insert a music CD or open a disc image, and its tracks are listed.</source>
        <translation>Es gibt keine Musik-CD zum Ansehen. Legen Sie eine Musik-CD ein oder öffnen Sie ein CD-Abbild, dann werden ihre Titel aufgelistet.</translation>
    </message>
    <message>
        <source>The disc&apos;s MusicBrainz disc ID could not be computed, so it cannot be looked up.

%1</source>
        <translation>Die MusicBrainz-Disc-ID der CD konnte nicht berechnet werden, daher kann sie nicht abgerufen werden.

%1</translation>
    </message>
    <message>
        <source>Looking up the disc at MusicBrainz...</source>
        <translation>CD wird bei MusicBrainz abgerufen...</translation>
    </message>
    <message>
        <source>The disc information could not be looked up, and nothing was changed.

%1</source>
        <translation>Die CD-Informationen konnten nicht abgerufen werden; nichts wurde geändert.

%1</translation>
    </message>
    <message>
        <source>MusicBrainz does not know this disc (disc ID %1).</source>
        <translation>MusicBrainz kennt diese CD nicht (Disc-ID %1).</translation>
    </message>
    <message>
        <source>MusicBrainz knows %1 releases of this disc. Choose yours:</source>
        <translation>MusicBrainz kennt %1 Veröffentlichungen dieser CD. Wählen Sie Ihre:</translation>
    </message>
    <message>
        <source>Disc information: </source>
        <translation>CD-Informationen: </translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Year or date</source>
        <translation>Jahr oder Datum</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Titel %1</translation>
    </message>
    <message>
        <source>Track %1 artist</source>
        <translation>Interpret von Titel %1</translation>
    </message>
    <message>
        <source>Catalogue number</source>
        <translation>Katalognummer</translation>
    </message>
    <message>
        <source>Track %1 ISRC</source>
        <translation>ISRC von Titel %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a year or a date. Write it as 1998, 1998-06 or 1998-06-02, or leave it empty.</source>
        <translation>&quot;%1&quot; ist kein Jahr und kein Datum. Schreiben Sie es als 1998, 1998-06 oder 1998-06-02, oder lassen Sie es leer.</translation>
    </message>
    <message>
        <source>Find Read Offset</source>
        <translation>Leseversatz ermitteln</translation>
    </message>
    <message>
        <source>The drive is busy with a conversion. Find its offset once the conversion has ended.</source>
        <translation>Das Laufwerk ist mit einer Umwandlung beschäftigt. Ermitteln Sie seinen Versatz, wenn die Umwandlung beendet ist.</translation>
    </message>
    <message>
        <source>Finding the drive&apos;s read offset...</source>
        <translation>Leseversatz des Laufwerks wird ermittelt...</translation>
    </message>
    <message>
        <source>The play list window is not available yet.</source>
        <translation>Das Fenster der Wiedergabeliste ist noch nicht verfügbar.</translation>
    </message>
    <message>
        <source>The file search window is not available yet.</source>
        <translation>Das Fenster der Dateisuche ist noch nicht verfügbar.</translation>
    </message>
    <message>
        <source>The preferences window is not available yet.</source>
        <translation>Das Fenster der Einstellungen ist noch nicht verfügbar.</translation>
    </message>
    <message>
        <source>Stopping after the current file...</source>
        <translation>Anhalten nach der aktuellen Datei...</translation>
    </message>
    <message>
        <source>Can&apos;t find &quot;%1&quot;</source>
        <translation>&quot;%1&quot; nicht gefunden</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Convert what is selected in the tree</source>
        <translation>Das im Baum Ausgewählte umwandeln</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stop the conversion</source>
        <translation>Die Umwandlung anhalten</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>List the CD again and rescan the destination folder (F5)</source>
        <translation>CD neu auflisten und Zielordner neu einlesen (F5)</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suche</translation>
    </message>
    <message>
        <source>Playlist</source>
        <translation>Wiedergabeliste</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Help (F1)</source>
        <translation>Hilfe (F1)</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>CD Drive</source>
        <translation>CD-Laufwerk</translation>
    </message>
    <message>
        <source>No CD drive found; use File &gt; Open Disc Image...</source>
        <translation>Kein CD-Laufwerk gefunden; nutzen Sie Datei &gt; CD-Abbild öffnen...</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>List the tracks of the disc again</source>
        <translation>Die Titel der CD neu auflisten</translation>
    </message>
    <message>
        <source>Disc identity</source>
        <translation>CD-Kennung</translation>
    </message>
    <message>
        <source>MusicBrainz disc ID</source>
        <translation>MusicBrainz-Disc-ID</translation>
    </message>
    <message>
        <source>Number of tracks</source>
        <translation>Anzahl der Titel</translation>
    </message>
    <message>
        <source>Bitrate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>Privat</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Ticked: read the tracks digitally. Clear: record them from the sound card while the CD plays</source>
        <translation>Angekreuzt: Titel digital lesen. Leer: Titel über die Soundkarte aufnehmen, während die CD spielt</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Select every track of the disc</source>
        <translation>Alle Titel der CD auswählen</translation>
    </message>
    <message>
        <source>Extract the selected tracks</source>
        <translation>Die ausgewählten Titel auslesen</translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Auslesen</translation>
    </message>
    <message>
        <source>Extract to MP3</source>
        <translation>Als MP3 auslesen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Play Selected track</source>
        <translation>Ausgewählten Titel abspielen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stop playing CD</source>
        <translation>CD-Wiedergabe stoppen</translation>
    </message>
    <message>
        <source>CD &amp;Drive:</source>
        <translation>CD-&amp;Laufwerk:</translation>
    </message>
    <message>
        <source>Disc:</source>
        <translation>CD:</translation>
    </message>
    <message>
        <source>Tracks:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>Extract to:</source>
        <translation>Auslesen als:</translation>
    </message>
    <message>
        <source>&amp;Bitrate:</source>
        <translation>&amp;Bitrate:</translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation>&amp;Qualität:</translation>
    </message>
    <message>
        <source>Next Action: Make a selection</source>
        <translation>Nächste Aktion: Treffen Sie eine Auswahl</translation>
    </message>
    <message>
        <source>CD tracks, WAV and MP3 files</source>
        <translation>CD-Titel, WAV- und MP3-Dateien</translation>
    </message>
    <message>
        <source>Conversion</source>
        <translation>Umwandlung</translation>
    </message>
    <message>
        <source>Stop after this file</source>
        <translation>Nach dieser Datei anhalten</translation>
    </message>
    <message>
        <source>Finish the file being converted, then stop</source>
        <translation>Die laufende Datei fertig umwandeln, dann anhalten</translation>
    </message>
    <message>
        <source>Abort this file</source>
        <translation>Diese Datei abbrechen</translation>
    </message>
    <message>
        <source>Stop at once, leaving the current file unfinished</source>
        <translation>Sofort anhalten, die aktuelle Datei bleibt unfertig</translation>
    </message>
    <message>
        <source>Low Drive space</source>
        <translation>Wenig Speicherplatz</translation>
    </message>
    <message>
        <source>Player</source>
        <translation>Player</translation>
    </message>
    <message>
        <source>Close Player</source>
        <translation>Player schließen</translation>
    </message>
    <message>
        <source>Double-click a track or file, or press Enter on it, to move it between its available and selected groups. Select a group or an item, then press Start.</source>
        <translation>Doppelklicken Sie auf einen Titel oder eine Datei oder drücken Sie darauf die Eingabetaste, um sie zwischen verfügbaren und ausgewählten Gruppen zu verschieben. Wählen Sie eine Gruppe oder einen Eintrag, dann drücken Sie Start.</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>Aufnahme stoppen</translation>
    </message>
    <message>
        <source>Progress of the current file</source>
        <translation>Fortschritt der aktuellen Datei</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>AUS</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Open &amp;Disc Image...</source>
        <translation>&amp;CD-Abbild öffnen...</translation>
    </message>
    <message>
        <source>Convert &amp;Folder...</source>
        <translation>&amp;Ordner umwandeln...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Start!</source>
        <translation>&amp;Start!</translation>
    </message>
    <message>
        <source>&amp;Remove from List</source>
        <translation>Aus Liste &amp;entfernen</translation>
    </message>
    <message>
        <source>Remove and &amp;Delete File</source>
        <translation>Entfernen und Datei &amp;löschen</translation>
    </message>
    <message>
        <source>&amp;Verify against Disc</source>
        <translation>Mit CD &amp;vergleichen</translation>
    </message>
    <message>
        <source>&amp;Look Up Disc Information</source>
        <translation>CD-&amp;Informationen abrufen</translation>
    </message>
    <message>
        <source>&amp;Minimize</source>
        <translation>&amp;Minimieren</translation>
    </message>
    <message>
        <source>&amp;Action</source>
        <translation>&amp;Aktion</translation>
    </message>
    <message>
        <source>&amp;Start </source>
        <translation>&amp;Start </translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>S&amp;topp</translation>
    </message>
    <message>
        <source>&amp;Refresh List</source>
        <translation>Liste &amp;aktualisieren</translation>
    </message>
    <message>
        <source>&amp;CD</source>
        <translation>&amp;CD</translation>
    </message>
    <message>
        <source>Disc &amp;Information...</source>
        <translation>CD-Informationen &amp;anzeigen...</translation>
    </message>
    <message>
        <source>Find Read &amp;Offset...</source>
        <translation>&amp;Leseversatz ermitteln...</translation>
    </message>
    <message>
        <source>&amp;Preferences</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Toolbars</source>
        <translation>&amp;Leisten</translation>
    </message>
    <message>
        <source>&amp;ToolBar</source>
        <translation>&amp;Werkzeugleiste</translation>
    </message>
    <message>
        <source>&amp;CD Bar</source>
        <translation>&amp;CD-Leiste</translation>
    </message>
    <message>
        <source>&amp;Activity Bar</source>
        <translation>&amp;Aktivitätsleiste</translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation>&amp;Statusleiste</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Suche</translation>
    </message>
    <message>
        <source>P&amp;laylist</source>
        <translation>&amp;Wiedergabeliste</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Help File</source>
        <translation>&amp;Hilfedatei</translation>
    </message>
    <message>
        <source>Encoding</source>
        <translation>Kodieren</translation>
    </message>
    <message>
        <source>Front cover</source>
        <translation>Frontcover</translation>
    </message>
    <message>
        <source>No front cover.</source>
        <translation>Kein Frontcover.</translation>
    </message>
    <message>
        <source>No front cover: %1</source>
        <translation>Kein Frontcover: %1</translation>
    </message>
    <message>
        <source>removed in Disc Information</source>
        <translation>in den CD-Informationen entfernt</translation>
    </message>
    <message>
        <source>Choose Cover Image</source>
        <translation>Coverbild wählen</translation>
    </message>
    <message>
        <source>Images (*.jpg *.jpeg *.png);;All Files (*)</source>
        <translation>Bilder (*.jpg *.jpeg *.png);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>This picture cannot be the front cover.

%1</source>
        <translation>Dieses Bild kann nicht das Frontcover sein.

%1</translation>
    </message>
    <message>
        <source>the Cover Art Archive had not answered when the rip started</source>
        <translation>das Cover Art Archive hatte beim Start des Rips nicht geantwortet</translation>
    </message>
    <message>
        <source>the Cover Art Archive has not answered yet</source>
        <translation>das Cover Art Archive hat noch nicht geantwortet</translation>
    </message>
</context>
<context>
    <name>Form6</name>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>The file is too short to hold MPEG audio</source>
        <translation>Die Datei ist zu kurz, um MPEG-Audio zu enthalten</translation>
    </message>
</context>
<context>
    <name>FormDialog</name>
    <message>
        <source>Choose Image...</source>
        <translation>Bild wählen...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>No picture</source>
        <translation>Kein Bild</translation>
    </message>
</context>
<context>
    <name>FrmPrefs</name>
    <message>
        <source>Preference pages</source>
        <translation>Einstellungsseiten</translation>
    </message>
    <message>
        <source>Formats</source>
        <translation>Formate</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>&amp;Drive:</source>
        <translation>&amp;Laufwerk:</translation>
    </message>
    <message>
        <source>F&amp;older:</source>
        <translation>&amp;Ordner:</translation>
    </message>
    <message>
        <source>Convert audio files to</source>
        <translation>Audiodateien umwandeln in</translation>
    </message>
    <message>
        <source>The format Start writes the selected audio files (FLAC, Ogg, Opus, M4A...) in</source>
        <translation>Das Format, in das Start die ausgewählten Audiodateien (FLAC, Ogg, Opus, M4A...) schreibt</translation>
    </message>
    <message>
        <source>FLAC compression level</source>
        <translation>FLAC-Kompressionsstufe</translation>
    </message>
    <message>
        <source>0: fastest, 8: smallest files; the sound is the same</source>
        <translation>0: am schnellsten, 8: kleinste Dateien; der Klang ist derselbe</translation>
    </message>
    <message>
        <source> kbit/s</source>
        <translation> kbit/s</translation>
    </message>
    <message>
        <source>Opus bitrate</source>
        <translation>Opus-Bitrate</translation>
    </message>
    <message>
        <source>Higher is better sound and larger files (128 kbit/s: transparent for most music)</source>
        <translation>Höher heißt besserer Klang und größere Dateien (128 kbit/s: für die meiste Musik transparent)</translation>
    </message>
    <message>
        <source>Con&amp;vert audio files to</source>
        <translation>Audiodateien &amp;umwandeln in</translation>
    </message>
    <message>
        <source>FLAC compression &amp;level</source>
        <translation>FLAC-Kompressions&amp;stufe</translation>
    </message>
    <message>
        <source>Opus &amp;bitrate</source>
        <translation>Opus-&amp;Bitrate</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Disk Space</source>
        <translation>Speicherplatz</translation>
    </message>
    <message>
        <source>Audio, Misc.</source>
        <translation>Audio, Sonstiges</translation>
    </message>
    <message>
        <source> Destination Path</source>
        <translation> Zielpfad</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Laufwerk</translation>
    </message>
    <message>
        <source>Free space in MB (1 MB = 1,000,000 bytes)</source>
        <translation>Freier Platz in MB (1 MB = 1.000.000 Bytes)</translation>
    </message>
    <message>
        <source>Warn me when hard drive space falls below</source>
        <translation>Warnen bei freiem Festplattenplatz unter</translation>
    </message>
    <message>
        <source>Stop converting when hard drive space falls below </source>
        <translation>Umwandlung stoppen bei freiem Festplattenplatz unter </translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Setzen</translation>
    </message>
    <message>
        <source>Available space in hard drive(s):</source>
        <translation>Verfügbarer Platz auf Festplatte(n):</translation>
    </message>
    <message>
        <source>Refresh data</source>
        <translation>Daten aktualisieren</translation>
    </message>
    <message>
        <source>Audio Preferences (2 stage extraction only)</source>
        <translation>Audio-Einstellungen (nur Auslesen in 2 Schritten)</translation>
    </message>
    <message>
        <source>Delete WAV file after encoding (2 stage extraction only)</source>
        <translation>WAV-Datei nach dem Kodieren löschen (nur Auslesen in 2 Schritten)</translation>
    </message>
    <message>
        <source>Audio Format</source>
        <translation>Audioformat</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Turn off/on CD sound while extracting</source>
        <translation>CD-Ton beim Auslesen aus-/einschalten</translation>
    </message>
    <message>
        <source>Misc. Preferences</source>
        <translation>Sonstige Einstellungen</translation>
    </message>
    <message>
        <source>Encoding Quality</source>
        <translation>Kodierqualität</translation>
    </message>
    <message>
        <source>Encoding Bitsize</source>
        <translation>Kodier-Bitrate</translation>
    </message>
    <message>
        <source>Show File names as Full File Path</source>
        <translation>Dateinamen mit vollständigem Pfad zeigen</translation>
    </message>
    <message>
        <source>Do not Encode after extracting</source>
        <translation>Nach dem Auslesen nicht kodieren</translation>
    </message>
    <message>
        <source>Minimize program during conversion</source>
        <translation>Programm während der Umwandlung minimieren</translation>
    </message>
    <message>
        <source>Minimize program to Desktop Tray Now</source>
        <translation>Programm jetzt in den Infobereich minimieren</translation>
    </message>
    <message>
        <source>Files converted at once</source>
        <translation>Gleichzeitig umgewandelte Dateien</translation>
    </message>
    <message>
        <source>WAV and MP3 files converted at the same time (CD tracks: one at a time)</source>
        <translation>Gleichzeitig umgewandelte WAV- und MP3-Dateien (CD-Titel: einer nach dem anderen)</translation>
    </message>
    <message>
        <source>Test and copy: read each CD track twice and compare</source>
        <translation>Testen und kopieren: jeden CD-Titel zweimal lesen und vergleichen</translation>
    </message>
    <message>
        <source>Name ripped files from disc information</source>
        <translation>Ausgelesene Dateien nach CD-Informationen benennen</translation>
    </message>
    <message>
        <source>&quot;01 - Title.wav&quot; for each track the disc information titles</source>
        <translation>&quot;01 - Titel.wav&quot; für jeden Titel, den die CD-Informationen benennen</translation>
    </message>
    <message>
        <source>AccurateRip server</source>
        <translation>AccurateRip-Server</translation>
    </message>
    <message>
        <source>host:port of the database rips are checked against (port 443: HTTPS)</source>
        <translation>Host:Port der Datenbank, mit der ausgelesene Titel geprüft werden (Port 443: HTTPS)</translation>
    </message>
    <message>
        <source>Desktop notifications</source>
        <translation>Desktop-Benachrichtigungen</translation>
    </message>
    <message>
        <source>Say how a conversion or rip went when it ends while you work elsewhere</source>
        <translation>Melden, wie eine Umwandlung oder ein Auslesen ausging, wenn es endet, während Sie anderswo arbeiten</translation>
    </message>
    <message>
        <source>Drives; Drive Space</source>
        <translation>Laufwerke; Speicherplatz</translation>
    </message>
    <message>
        <source>Destination Path for converted files (WAV, MP3)</source>
        <translation>Zielpfad für umgewandelte Dateien (WAV, MP3)</translation>
    </message>
    <message>
        <source>I&apos;ll select the destination path and directory</source>
        <translation>Ich wähle Zielpfad und Verzeichnis selbst</translation>
    </message>
    <message>
        <source>To create a new Destination Directory:</source>
        <translation>Neues Zielverzeichnis anlegen:</translation>
    </message>
    <message>
        <source>Create</source>
        <translation>Anlegen</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Select a Destination Path </source>
        <translation>Zielpfad wählen </translation>
    </message>
    <message>
        <source>1. Enter a name in the space above</source>
        <translation>1. Geben Sie oben einen Namen ein</translation>
    </message>
    <message>
        <source>2. Use the file controls on your right to select a parent drive and directory.</source>
        <translation>2. Wählen Sie rechts Laufwerk und übergeordnetes Verzeichnis.</translation>
    </message>
    <message>
        <source>3. Click &quot;Create&quot;</source>
        <translation>3. Klicken Sie auf &quot;Anlegen&quot;</translation>
    </message>
    <message>
        <source>Read offset</source>
        <translation>Leseversatz</translation>
    </message>
    <message>
        <source> samples</source>
        <translation> Samples</translation>
    </message>
    <message>
        <source>How many samples late the drive reads; the rip corrects it (0 for a disc image)</source>
        <translation>Um wie viele Samples das Laufwerk verspätet liest; das Auslesen gleicht es aus (0 für ein CD-Abbild)</translation>
    </message>
    <message>
        <source>Overread into lead-in and lead-out</source>
        <translation>In Lead-in und Lead-out hineinlesen</translation>
    </message>
    <message>
        <source>Only for a drive that can read past the disc&apos;s edges; otherwise zeros stand there</source>
        <translation>Nur für Laufwerke, die über die Ränder der CD hinaus lesen können; sonst stehen dort Nullen</translation>
    </message>
    <message>
        <source>44.100Hz, 16bit Mono, 86k/sec</source>
        <translation>44.100 Hz, 16 Bit Mono, 86k/s</translation>
    </message>
    <message>
        <source>44.100Hz, 16bit Stereo, 172k/sec</source>
        <translation>44.100 Hz, 16 Bit Stereo, 172k/s</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Encode to MP3 after extracting</source>
        <translation>Nach dem Auslesen zu MP3 kodieren</translation>
    </message>
    <message>
        <source>No drive</source>
        <translation>Kein Laufwerk</translation>
    </message>
    <message>
        <source>Enter a name for the Destination directory</source>
        <translation>Geben Sie einen Namen für das Zielverzeichnis ein</translation>
    </message>
    <message>
        <source>Error creating a new directory. Enter the name of the File directory you would like to create </source>
        <translation>Fehler beim Anlegen eines neuen Verzeichnisses. Geben Sie den Namen des Verzeichnisses ein, das Sie anlegen möchten </translation>
    </message>
    <message>
        <source>File names</source>
        <translation>Dateinamen</translation>
    </message>
    <message>
        <source>File names: NN - Title</source>
        <translation>Dateinamen: NN - Titel</translation>
    </message>
    <message>
        <source>How files named from disc information are named, with folders after &quot;/&quot;. Fields: {albumartist} {artist} {album} {year} {disc} {discs} {track} {title} {isrc}; a part in [ ] is left out when a field in it is empty. Example: {albumartist}/{album}/[{disc}-]{track} - {title}</source>
        <translation>Wie nach CD-Informationen benannte Dateien heißen, mit Ordnern nach &quot;/&quot;. Felder: {albumartist} {artist} {album} {year} {disc} {discs} {track} {title} {isrc}; ein Teil in [ ] entfällt, wenn ein Feld darin leer ist. Beispiel: {albumartist}/{album}/[{disc}-]{track} - {title}</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Nicht gespeichert: %1</translation>
    </message>
</context>
<context>
    <name>FrmSearch</name>
    <message>
        <source>Where to search</source>
        <translation>Wo gesucht wird</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Laufwerk</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>&amp;Drive:</source>
        <translation>&amp;Laufwerk:</translation>
    </message>
    <message>
        <source>F&amp;older:</source>
        <translation>&amp;Ordner:</translation>
    </message>
    <message>
        <source>Search !</source>
        <translation>Suchen!</translation>
    </message>
    <message>
        <source>Stop!</source>
        <translation>Stopp!</translation>
    </message>
    <message>
        <source>Searching . . . </source>
        <translation>Suche läuft . . . </translation>
    </message>
    <message>
        <source>Invalid Search Engine, Please enter a valid search engine</source>
        <translation>Ungültige Suchmaschine, bitte geben Sie eine gültige Suchmaschine ein</translation>
    </message>
    <message>
        <source>File Finder</source>
        <translation>Dateisuche</translation>
    </message>
    <message>
        <source>Local Search </source>
        <translation>Lokale Suche </translation>
    </message>
    <message>
        <source>Internet Search</source>
        <translation>Internetsuche</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>&amp;Select for Conversion</source>
        <translation>Zum &amp;Umwandeln auswählen</translation>
    </message>
    <message>
        <source>&amp;Remove File from list</source>
        <translation>Datei aus Liste &amp;entfernen</translation>
    </message>
    <message>
        <source>&amp;Delete File</source>
        <translation>Datei &amp;löschen</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>Fenster &amp;schließen</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>Dateityp</translation>
    </message>
    <message>
        <source>File Name (optional)</source>
        <translation>Dateiname (optional)</translation>
    </message>
    <message>
        <source>Hide lists when searching</source>
        <translation>Listen beim Suchen ausblenden</translation>
    </message>
    <message>
        <source>Folders to search</source>
        <translation>Zu durchsuchende Ordner</translation>
    </message>
    <message>
        <source>Folders searched</source>
        <translation>Durchsuchte Ordner</translation>
    </message>
    <message>
        <source>Files found</source>
        <translation>Gefundene Dateien</translation>
    </message>
    <message>
        <source>Time taken: 0 second(s)</source>
        <translation>Benötigte Zeit: 0 Sekunde(n)</translation>
    </message>
    <message>
        <source>ENGINE:</source>
        <translation>SUCHMASCHINE:</translation>
    </message>
    <message>
        <source>Search engine</source>
        <translation>Suchmaschine</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Suchbegriffe</translation>
    </message>
    <message>
        <source>Keywords to search</source>
        <translation>Zu suchende Begriffe</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suche</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>Search pages open in your web browser.</source>
        <translation>Suchseiten öffnen sich in Ihrem Webbrowser.</translation>
    </message>
    <message>
        <source>Directories: </source>
        <translation>Verzeichnisse: </translation>
    </message>
    <message>
        <source>   Files:  </source>
        <translation>   Dateien:  </translation>
    </message>
    <message>
        <source>Time taken: </source>
        <translation>Benötigte Zeit: </translation>
    </message>
    <message>
        <source> second(s)</source>
        <translation> Sekunde(n)</translation>
    </message>
    <message>
        <source>Delete File</source>
        <translation>Datei löschen</translation>
    </message>
    <message>
        <source>No web browser could be started to show the results. Install a web browser, or open this address in one:
</source>
        <translation>Es konnte kein Webbrowser gestartet werden, um die Ergebnisse zu zeigen. Installieren Sie einen Webbrowser oder öffnen Sie diese Adresse in einem:
</translation>
    </message>
    <message>
        <source>Oops</source>
        <translation>Hoppla</translation>
    </message>
    <message>
        <source>Opps</source>
        <translation>Hoppla</translation>
    </message>
</context>
<context>
    <name>FrontCover</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 × %2 pixels, %3 bytes</source>
        <translation>%1 × %2 Pixel, %3 Bytes</translation>
    </message>
    <message>
        <source>the picture is larger than %1 MB</source>
        <translation>das Bild ist größer als %1 MB</translation>
    </message>
    <message>
        <source>this is neither a JPEG nor a PNG image</source>
        <translation>dies ist weder ein JPEG- noch ein PNG-Bild</translation>
    </message>
    <message>
        <source>the JPEG image is cut short</source>
        <translation>das JPEG-Bild ist abgeschnitten</translation>
    </message>
    <message>
        <source>the image&apos;s size cannot be read</source>
        <translation>die Größe des Bildes kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the image has %1 × %2 pixels, more than a cover may have (%3 million)</source>
        <translation>das Bild hat %1 × %2 Pixel, mehr als ein Cover haben darf (%3 Millionen)</translation>
    </message>
    <message>
        <source>the image cannot be read (%1)</source>
        <translation>das Bild kann nicht gelesen werden (%1)</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Help page</source>
        <translation>Hilfeseite</translation>
    </message>
    <message>
        <source>MP3 Vortan Help</source>
        <translation>MP3 Vortan Hilfe</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>JobNotifier</name>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>encoded</source>
        <translation>kodiert</translation>
    </message>
    <message>
        <source>decoded</source>
        <translation>dekodiert</translation>
    </message>
    <message>
        <source>converted</source>
        <translation>umgewandelt</translation>
    </message>
    <message>
        <source>track</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>tracks</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>ripped</source>
        <translation>ausgelesen</translation>
    </message>
    <message>
        <source>recorded</source>
        <translation>aufgenommen</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>%1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 stopped early</source>
        <translation>%1 vorzeitig gestoppt</translation>
    </message>
    <message>
        <source>%1 not started</source>
        <translation>%1 nicht begonnen</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>Umwandlung fertig</translation>
    </message>
    <message>
        <source>Conversion ended</source>
        <translation>Umwandlung beendet</translation>
    </message>
    <message>
        <source> ripped</source>
        <translation> ausgelesen</translation>
    </message>
    <message>
        <source>%1 with read errors or failed</source>
        <translation>%1 mit Lesefehlern oder fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 stopped or not started</source>
        <translation>%1 gestoppt oder nicht begonnen</translation>
    </message>
    <message>
        <source>accurately ripped</source>
        <translation>laut AccurateRip fehlerfrei</translation>
    </message>
    <message>
        <source>all accurately ripped</source>
        <translation>alle laut AccurateRip fehlerfrei</translation>
    </message>
    <message>
        <source>%1 of %2 accurately ripped</source>
        <translation>%1 von %2 laut AccurateRip fehlerfrei</translation>
    </message>
    <message>
        <source>Rip finished</source>
        <translation>Auslesen fertig</translation>
    </message>
    <message>
        <source>Rip ended</source>
        <translation>Auslesen beendet</translation>
    </message>
</context>
<context>
    <name>LaunchReceiver</name>
    <message>
        <source>These could not be opened (not a WAV, MP3 or audio file, a cue sheet or a folder):

</source>
        <translation>Diese konnten nicht geöffnet werden (keine WAV-, MP3- oder Audiodatei, kein Cue-Sheet und kein Ordner):

</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
</context>
<context>
    <name>LoudnessMeter</name>
    <message>
        <source>%1: the file holds no audio to convert</source>
        <translation>%1: die Datei enthält kein Audio zum Umwandeln</translation>
    </message>
    <message>
        <source>nothing to write</source>
        <translation>nichts zu schreiben</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>kein Speicher mehr frei</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>Fehler %1</translation>
    </message>
    <message>
        <source>The loudness could not be measured: %1</source>
        <translation>Die Lautheit konnte nicht gemessen werden: %1</translation>
    </message>
    <message>
        <source>The loudness of %1 channels at %2 Hz cannot be measured</source>
        <translation>Die Lautheit von %1 Kanälen bei %2 Hz kann nicht gemessen werden</translation>
    </message>
</context>
<context>
    <name>MidiRenderer</name>
    <message>
        <source>File not found: %1</source>
        <translation>Datei nicht gefunden: %1</translation>
    </message>
    <message>
        <source>Not a MIDI file: %1</source>
        <translation>Keine MIDI-Datei: %1</translation>
    </message>
    <message>
        <source>No General MIDI soundfont in %1</source>
        <translation>Kein General-MIDI-Soundfont in %1</translation>
    </message>
    <message>
        <source>Cannot create the synthesizer&apos;s settings</source>
        <translation>Die Einstellungen des Synthesizers können nicht erzeugt werden</translation>
    </message>
    <message>
        <source>Cannot create the synthesizer</source>
        <translation>Der Synthesizer kann nicht erzeugt werden</translation>
    </message>
    <message>
        <source>Cannot load the soundfont %1</source>
        <translation>Der Soundfont %1 kann nicht geladen werden</translation>
    </message>
    <message>
        <source>Cannot play %1</source>
        <translation>%1 kann nicht abgespielt werden</translation>
    </message>
</context>
<context>
    <name>MirrorPlanner</name>
    <message>
        <source>not converted: %1 gives the same output and is kept (the better source)</source>
        <translation>nicht umgewandelt: %1 ergibt dieselbe Ausgabe und wird behalten (die bessere Quelle)</translation>
    </message>
    <message>
        <source>its output&apos;s name cannot be made within %1 bytes</source>
        <translation>der Name seiner Ausgabe lässt sich nicht in %1 Bytes bilden</translation>
    </message>
    <message>
        <source>not converted: a file of another source folder gives the same output, %1</source>
        <translation>nicht umgewandelt: eine Datei eines anderen Quellordners ergibt dieselbe Ausgabe, %1</translation>
    </message>
    <message>
        <source>%1 is in the way: a file this program did not make there is left as it is</source>
        <translation>%1 steht im Weg: eine Datei, die nicht von diesem Programm stammt, bleibt, wie sie ist</translation>
    </message>
</context>
<context>
    <name>MirrorRecord</name>
    <message>
        <source>%1: another run is mirroring into this folder</source>
        <translation>%1: ein anderer Lauf spiegelt in diesen Ordner</translation>
    </message>
    <message>
        <source>%1: not a record this program wrote; move it away or choose another destination</source>
        <translation>%1: kein Verzeichnis dieses Programms; verschieben Sie es oder wählen Sie ein anderes Ziel</translation>
    </message>
</context>
<context>
    <name>MirrorRun</name>
    <message>
        <source>%1: not a folder</source>
        <translation>%1: kein Ordner</translation>
    </message>
    <message>
        <source>%1: the destination is the source folder itself; choose another</source>
        <translation>%1: das Ziel ist der Quellordner selbst; wählen Sie ein anderes</translation>
    </message>
    <message>
        <source>%1: the destination lies inside the source folder %2; its outputs would be mirrored again</source>
        <translation>%1: das Ziel liegt im Quellordner %2; seine Ausgaben würden erneut gespiegelt</translation>
    </message>
    <message>
        <source>%1: the destination folder %2 (%3)</source>
        <translation>%1: der Zielordner %2 (%3)</translation>
    </message>
    <message>
        <source>cannot be created</source>
        <translation>kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot be written</source>
        <translation>kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>%1: the folder cannot be created (%2)</source>
        <translation>%1: der Ordner kann nicht angelegt werden (%2)</translation>
    </message>
    <message>
        <source>%1: cannot be removed (%2)</source>
        <translation>%1: kann nicht entfernt werden (%2)</translation>
    </message>
</context>
<context>
    <name>Mpg123Stream</name>
    <message>
        <source>Unsupported audio format</source>
        <translation>Nicht unterstütztes Audioformat</translation>
    </message>
    <message>
        <source>The audio format changes</source>
        <translation>Das Audioformat ändert sich</translation>
    </message>
    <message>
        <source>No MPEG audio frame found</source>
        <translation>Kein MPEG-Audio-Frame gefunden</translation>
    </message>
    <message>
        <source>The MPEG frames are not contiguous</source>
        <translation>Die MPEG-Frames sind nicht zusammenhängend</translation>
    </message>
    <message>
        <source>Decoder error</source>
        <translation>Decoder-Fehler</translation>
    </message>
    <message>
        <source>The audio changes to another format</source>
        <translation>Das Audio wechselt in ein anderes Format</translation>
    </message>
</context>
<context>
    <name>OpusEncoder</name>
    <message>
        <source>The Opus encoder failed (%1)</source>
        <translation>Der Opus-Encoder ist fehlgeschlagen (%1)</translation>
    </message>
    <message>
        <source>Opus holds one to eight channels; the audio has %1</source>
        <translation>Opus fasst ein bis acht Kanäle; das Audio hat %1</translation>
    </message>
    <message>
        <source>An Opus bitrate of %1 kbit/s is not between %2 and %3 kbit/s</source>
        <translation>Eine Opus-Bitrate von %1 kbit/s liegt nicht zwischen %2 und %3 kbit/s</translation>
    </message>
    <message>
        <source>The Opus encoder refused %1 channels at %2 Hz (%3)</source>
        <translation>Der Opus-Encoder lehnte %1 Kanäle bei %2 Hz ab (%3)</translation>
    </message>
</context>
<context>
    <name>PcmRecorder</name>
    <message>
        <source>The recording cannot be stored</source>
        <translation>Die Aufnahme kann nicht gespeichert werden</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Cannot rename %1 to %2: %3</source>
        <translation>%1 kann nicht in %2 umbenannt werden: %3</translation>
    </message>
    <message>
        <source>it holds characters an ID3v1 tag cannot store</source>
        <translation>er enthält Zeichen, die ein ID3v1-Tag nicht speichern kann</translation>
    </message>
    <message>
        <source>it is longer than %1 characters</source>
        <translation>er ist länger als %1 Zeichen</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; is written as &quot;%3&quot;: %4.</source>
        <translation>%1 &quot;%2&quot; wird als &quot;%3&quot; geschrieben: %4.</translation>
    </message>
    <message>
        <source>, and </source>
        <translation>, und </translation>
    </message>
    <message>
        <source>Genre &quot;%1&quot; is written as 0: a genre is a number from 0 to 255.</source>
        <translation>Genre &quot;%1&quot; wird als 0 geschrieben: Ein Genre ist eine Zahl von 0 bis 255.</translation>
    </message>
</context>
<context>
    <name>ReadModeBox</name>
    <message>
        <source>Reading</source>
        <translation>Lesen</translation>
    </message>
    <message>
        <source>Secure reads every sector through the error-correcting reader. Fast, verified reads each track once and reads it again securely unless the AccurateRip database confirms it. Paranoid is secure with a test pass before every copy.</source>
        <translation>Sicher liest jeden Sektor durch den fehlerkorrigierenden Leser. Schnell, geprüft liest jeden Titel einmal und liest ihn sicher neu, wenn die AccurateRip-Datenbank ihn nicht bestätigt. Paranoid ist sicher, mit einem Testlauf vor jeder Kopie.</translation>
    </message>
    <message>
        <source>How many rips in the database must agree with a track read once for it to be accepted</source>
        <translation>Wie viele Rips in der Datenbank mit einem einmal gelesenen Titel übereinstimmen müssen, damit er angenommen wird</translation>
    </message>
    <message>
        <source>How often a sector the drive cannot read is tried again before the rip leaves silence there and goes on</source>
        <translation>Wie oft ein Sektor, den das Laufwerk nicht lesen kann, erneut versucht wird, bevor der Rip dort Stille lässt und weitermacht</translation>
    </message>
    <message>
        <source>Read &amp;mode</source>
        <translation>Lese&amp;modus</translation>
    </message>
    <message>
        <source>Minimum &amp;confidence</source>
        <translation>Mindest&amp;konfidenz</translation>
    </message>
    <message>
        <source>&amp;Retries of an unreadable sector</source>
        <translation>&amp;Versuche bei unlesbarem Sektor</translation>
    </message>
</context>
<context>
    <name>ReadOffsetFinder</name>
    <message>
        <source>Find Read Offset</source>
        <translation>Leseversatz ermitteln</translation>
    </message>
    <message>
        <source>%1: %2 %3 (confidence %4)</source>
        <translation>%1: %2 %3 (Konfidenz %4)</translation>
    </message>
    <message>
        <source>track</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>tracks</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>There is no music disc to read. Insert a music CD or open a disc image, and find the drive&apos;s offset with it.</source>
        <translation>Es gibt keine Musik-CD zum Lesen. Legen Sie eine Musik-CD ein oder öffnen Sie ein CD-Abbild, und ermitteln Sie damit den Versatz des Laufwerks.</translation>
    </message>
    <message>
        <source>The AccurateRip database could not be asked: %1</source>
        <translation>Die AccurateRip-Datenbank konnte nicht befragt werden: %1</translation>
    </message>
    <message>
        <source>This disc is not in the AccurateRip database, so the drive&apos;s offset cannot be found with it. Try another disc.</source>
        <translation>Diese CD ist nicht in der AccurateRip-Datenbank, daher lässt sich der Versatz des Laufwerks mit ihr nicht ermitteln. Versuchen Sie eine andere CD.</translation>
    </message>
    <message>
        <source>Not read.</source>
        <translation>Nicht gelesen.</translation>
    </message>
    <message>
        <source>No read offset from -%1 to +%1 samples matches the AccurateRip database&apos;s record of this disc.</source>
        <translation>Kein Leseversatz von -%1 bis +%1 Samples passt zum Eintrag der AccurateRip-Datenbank für diese CD.</translation>
    </message>
    <message>
        <source>Offsets at which the tracks read match the database:</source>
        <translation>Versätze, bei denen die gelesenen Titel zur Datenbank passen:</translation>
    </message>
    <message>
        <source>Store %1 as the read offset of %2?</source>
        <translation>%1 als Leseversatz von %2 speichern?</translation>
    </message>
    <message>
        <source>Read offset %1 stored for %2</source>
        <translation>Leseversatz %1 für %2 gespeichert</translation>
    </message>
</context>
<context>
    <name>RipCompletion</name>
    <message>
        <source>the program ended before it answered</source>
        <translation>das Programm endete, bevor es antwortete</translation>
    </message>
</context>
<context>
    <name>RowChoiceDialog</name>
    <message>
        <source>Choose</source>
        <translation>Wählen</translation>
    </message>
</context>
<context>
    <name>Source</name>
    <message>
        <source>: the file is incomplete: %1 ms of its audio are missing (it holds %2 of %3 samples; what it holds was converted)</source>
        <translation>: die Datei ist unvollständig: %1 ms ihres Audios fehlen (sie enthält %2 von %3 Samples; was sie enthält, wurde umgewandelt)</translation>
    </message>
    <message>
        <source>: the file is incomplete: its audio is damaged after %1 (%2; what it holds before was converted)</source>
        <translation>: die Datei ist unvollständig: ihr Audio ist nach %1 beschädigt (%2; was sie davor enthält, wurde umgewandelt)</translation>
    </message>
    <message>
        <source>: the file cannot be read: %1</source>
        <translation>: die Datei kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>: the file is damaged: its audio does not match the MD5 signature it records</source>
        <translation>: die Datei ist beschädigt: ihr Audio passt nicht zu der MD5-Signatur, die sie verzeichnet</translation>
    </message>
    <message>
        <source>: the file&apos;s description of its audio is damaged</source>
        <translation>: die Beschreibung des Audios in der Datei ist beschädigt</translation>
    </message>
    <message>
        <source>: the file does not exist</source>
        <translation>: die Datei existiert nicht</translation>
    </message>
    <message>
        <source>: not a file</source>
        <translation>: keine Datei</translation>
    </message>
    <message>
        <source>: the file is empty</source>
        <translation>: die Datei ist leer</translation>
    </message>
    <message>
        <source>the WAV file&apos;s audio is coded in a way the program does not read</source>
        <translation>das Audio der WAV-Datei ist auf eine Weise kodiert, die das Programm nicht liest</translation>
    </message>
    <message>
        <source>: the FLAC file cannot be read: %1</source>
        <translation>: die FLAC-Datei kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>: the WAV file&apos;s audio is coded in a way the program does not read</source>
        <translation>: das Audio der WAV-Datei ist auf eine Weise kodiert, die das Programm nicht liest</translation>
    </message>
</context>
<context>
    <name>SourceTree</name>
    <message>
        <source>Can&apos;t delete &quot;%1&quot;: %2</source>
        <translation>&quot;%1&quot; kann nicht gelöscht werden: %2</translation>
    </message>
    <message>
        <source>Type a name for the file, or press Escape to keep its name.</source>
        <translation>Geben Sie einen Namen für die Datei ein, oder drücken Sie Esc, um ihren Namen zu behalten.</translation>
    </message>
    <message>
        <source>A file name cannot contain &quot;/&quot;.</source>
        <translation>Ein Dateiname kann kein &quot;/&quot; enthalten.</translation>
    </message>
    <message>
        <source>The name of this file must end in &quot;%1&quot;.</source>
        <translation>Der Name dieser Datei muss auf &quot;%1&quot; enden.</translation>
    </message>
    <message>
        <source>The name of a WAV file must end in &quot;.wav&quot;.</source>
        <translation>Der Name einer WAV-Datei muss auf &quot;.wav&quot; enden.</translation>
    </message>
    <message>
        <source>The name of an MP3 file must end in &quot;.mp3&quot;.</source>
        <translation>Der Name einer MP3-Datei muss auf &quot;.mp3&quot; enden.</translation>
    </message>
    <message>
        <source>Can&apos;t rename &quot;%1&quot;: it is no longer listed. Refresh List (F5) lists the destination folder again.</source>
        <translation>&quot;%1&quot; kann nicht umbenannt werden: sie ist nicht mehr aufgelistet. Liste aktualisieren (F5) listet den Zielordner neu auf.</translation>
    </message>
    <message>
        <source>Can&apos;t rename &quot;%1&quot; to &quot;%2&quot;: %3</source>
        <translation>&quot;%1&quot; kann nicht in &quot;%2&quot; umbenannt werden: %3</translation>
    </message>
    <message>
        <source>Select WAV or MP3 file</source>
        <translation>WAV- oder MP3-Datei wählen</translation>
    </message>
    <message>
        <source>All supported</source>
        <translation>Alle unterstützten</translation>
    </message>
    <message>
        <source>WAV, MP3 (</source>
        <translation>WAV, MP3 (</translation>
    </message>
    <message>
        <source>Audio Files</source>
        <translation>Audiodateien</translation>
    </message>
    <message>
        <source>Next Action: Make a selection</source>
        <translation>Nächste Aktion: Treffen Sie eine Auswahl</translation>
    </message>
    <message>
        <source>Next Action:  </source>
        <translation>Nächste Aktion:  </translation>
    </message>
    <message>
        <source>Process  </source>
        <translation>Vorgang  </translation>
    </message>
    <message>
        <source>CD Tracks, WAV, MP3 files</source>
        <translation>CD-Titel, WAV-, MP3-Dateien</translation>
    </message>
    <message>
        <source>Selected Tracks</source>
        <translation>Ausgewählte Titel</translation>
    </message>
    <message>
        <source>Available Tracks</source>
        <translation>Verfügbare Titel</translation>
    </message>
    <message>
        <source>Selected WAV Files</source>
        <translation>Ausgewählte WAV-Dateien</translation>
    </message>
    <message>
        <source>WAV Files</source>
        <translation>WAV-Dateien</translation>
    </message>
    <message>
        <source>Selected MP3 Files</source>
        <translation>Ausgewählte MP3-Dateien</translation>
    </message>
    <message>
        <source>MP3 Files</source>
        <translation>MP3-Dateien</translation>
    </message>
    <message>
        <source>Selected Audio Files</source>
        <translation>Ausgewählte Audiodateien</translation>
    </message>
</context>
<context>
    <name>VorbisDecoder</name>
    <message>
        <source>not an Ogg Vorbis stream</source>
        <translation>kein Ogg-Vorbis-Stream</translation>
    </message>
    <message>
        <source>the file cannot be read</source>
        <translation>die Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the Vorbis version is one the program does not read</source>
        <translation>die Vorbis-Version ist eine, die das Programm nicht liest</translation>
    </message>
    <message>
        <source>the Vorbis stream&apos;s headers are damaged</source>
        <translation>die Kopfdaten des Vorbis-Streams sind beschädigt</translation>
    </message>
    <message>
        <source>the Vorbis stream has more channels than the program reads</source>
        <translation>der Vorbis-Stream hat mehr Kanäle, als das Programm liest</translation>
    </message>
    <message>
        <source>a page of the Ogg stream is missing or damaged</source>
        <translation>eine Seite des Ogg-Streams fehlt oder ist beschädigt</translation>
    </message>
    <message>
        <source>the Vorbis stream is damaged</source>
        <translation>der Vorbis-Stream ist beschädigt</translation>
    </message>
    <message>
        <source>a later part of the stream has another rate or channel count</source>
        <translation>ein späterer Teil des Streams hat eine andere Abtastrate oder Kanalzahl</translation>
    </message>
</context>
<context>
    <name>WavEncoder</name>
    <message>
        <source>%1: a WAV file holds at most 4 GiB of audio; this audio takes more</source>
        <translation>%1: Eine WAV-Datei fasst höchstens 4 GiB Audio; dieses Audio braucht mehr</translation>
    </message>
    <message>
        <source>%1: a WAV file cannot hold %2 channels at %3 Hz</source>
        <translation>%1: Eine WAV-Datei kann keine %2 Kanäle bei %3 Hz fassen</translation>
    </message>
</context>
<context>
    <name>WavFileSource</name>
    <message>
        <source>File not found: %1</source>
        <translation>Datei nicht gefunden: %1</translation>
    </message>
    <message>
        <source>%1: only 8- and 16-bit PCM in one or two channels can be played</source>
        <translation>%1: nur 8- und 16-Bit-PCM in einem oder zwei Kanälen kann abgespielt werden</translation>
    </message>
    <message>
        <source>The file ends before its audio does</source>
        <translation>Die Datei endet vor ihrem Audio</translation>
    </message>
</context>
<context>
    <name>WindowBatch</name>
    <message>
        <source>The file was aborted before anything was written.</source>
        <translation>Die Datei wurde abgebrochen, bevor etwas geschrieben war.</translation>
    </message>
    <message>
        <source>aborted before anything was written</source>
        <translation>abgebrochen, bevor etwas geschrieben war</translation>
    </message>
    <message>
        <source>The file was aborted: %1 holds only what was %2 before the abort.</source>
        <translation>Die Datei wurde abgebrochen: %1 enthält nur, was vor dem Abbruch %2 wurde.</translation>
    </message>
    <message>
        <source>aborted: %1 holds only what was %2 before the abort</source>
        <translation>abgebrochen: %1 enthält nur, was vor dem Abbruch %2 wurde</translation>
    </message>
    <message>
        <source>%1 %2 of %3 files</source>
        <translation>%1 %2 von %3 Dateien</translation>
    </message>
    <message>
        <source>Critical Error</source>
        <translation>Kritischer Fehler</translation>
    </message>
    <message>
        <source>File not found...</source>
        <translation>Datei nicht gefunden...</translation>
    </message>
    <message>
        <source>The file was not started.</source>
        <translation>Die Datei wurde nicht begonnen.</translation>
    </message>
    <message>
        <source>not started</source>
        <translation>nicht begonnen</translation>
    </message>
    <message>
        <source>%1 of %2 files could not be %3:
</source>
        <translation>%1 von %2 Dateien konnten nicht %3 werden:
</translation>
    </message>
    <message>
        <source>Critical error...</source>
        <translation>Kritischer Fehler...</translation>
    </message>
</context>
<context>
    <name>accuraterip::RecordLookup</name>
    <message>
        <source>%1 answered with more than %2 kB, which is no disc&apos;s record</source>
        <translation>%1 antwortete mit mehr als %2 kB, was kein Eintrag einer CD ist</translation>
    </message>
    <message>
        <source>%1 did not answer within %2 seconds</source>
        <translation>%1 antwortete nicht innerhalb von %2 Sekunden</translation>
    </message>
    <message>
        <source>%1 cannot be reached: %2</source>
        <translation>%1 ist nicht erreichbar: %2</translation>
    </message>
    <message>
        <source>%1 gave no whole answer: %2</source>
        <translation>%1 gab keine vollständige Antwort: %2</translation>
    </message>
    <message>
        <source>the answer of %1 is cut short (%2)</source>
        <translation>die Antwort von %1 ist abgeschnitten (%2)</translation>
    </message>
    <message>
        <source>%1 does not answer as a web server does: %2</source>
        <translation>%1 antwortet nicht wie ein Webserver: %2</translation>
    </message>
    <message>
        <source>%1 answered HTTP %2 %3</source>
        <translation>%1 antwortete HTTP %2 %3</translation>
    </message>
</context>
<context>
    <name>akrip</name>
    <message>
        <source>the disc cannot be read as audio</source>
        <translation>die CD kann nicht als Audio gelesen werden</translation>
    </message>
    <message>
        <source>the disc cannot be read as audio: %1</source>
        <translation>die CD kann nicht als Audio gelesen werden: %1</translation>
    </message>
    <message>
        <source>sectors %1 to %2 run past the disc&apos;s end (sector %3)</source>
        <translation>die Sektoren %1 bis %2 reichen über das Ende der CD hinaus (Sektor %3)</translation>
    </message>
</context>
<context>
    <name>audiolength</name>
    <message>
        <source>%1: the file is incomplete: it holds %2 of %3 (what it holds was converted)</source>
        <translation>%1: die Datei ist unvollständig: sie enthält %2 von %3 (was sie enthält, wurde umgewandelt)</translation>
    </message>
</context>
<context>
    <name>audiotagsread</name>
    <message>
        <source>cannot be opened: %1</source>
        <translation>kann nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>cannot be opened</source>
        <translation>kann nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>audiotagswrite</name>
    <message>
        <source>cannot be opened</source>
        <translation>kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>not a FLAC file</source>
        <translation>keine FLAC-Datei</translation>
    </message>
    <message>
        <source>the FLAC tags could not be saved</source>
        <translation>die FLAC-Tags konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>the FLAC tags could not be written whole; the file may have lost audio</source>
        <translation>die FLAC-Tags konnten nicht vollständig geschrieben werden; die Datei hat womöglich Audio verloren</translation>
    </message>
    <message>
        <source>not an Ogg Opus file</source>
        <translation>keine Ogg-Opus-Datei</translation>
    </message>
    <message>
        <source>the Opus tags could not be saved</source>
        <translation>die Opus-Tags konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>the Opus tags could not be written whole; the file may have lost audio</source>
        <translation>die Opus-Tags konnten nicht vollständig geschrieben werden; die Datei hat womöglich Audio verloren</translation>
    </message>
    <message>
        <source>not a WAV file</source>
        <translation>keine WAV-Datei</translation>
    </message>
    <message>
        <source>the WAV tags could not be saved</source>
        <translation>die WAV-Tags konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>the WAV tags could not be written whole; the file may have lost audio</source>
        <translation>die WAV-Tags konnten nicht vollständig geschrieben werden; die Datei hat womöglich Audio verloren</translation>
    </message>
    <message>
        <source>unknown container</source>
        <translation>unbekannter Container</translation>
    </message>
</context>
<context>
    <name>cddrives</name>
    <message>
        <source>Track %1 is missing</source>
        <translation>Titel %1 fehlt</translation>
    </message>
    <message>
        <source>Track %1 is incomplete: %2 of %3</source>
        <translation>Titel %1 ist unvollständig: %2 von %3</translation>
    </message>
    <message>
        <source>There is no drive %1</source>
        <translation>Es gibt kein Laufwerk %1</translation>
    </message>
    <message>
        <source>is a folder, not a data file</source>
        <translation>ist ein Ordner, keine Datendatei</translation>
    </message>
    <message>
        <source>is not a regular file (a FIFO, a socket or a device)</source>
        <translation>ist keine reguläre Datei (ein FIFO, ein Socket oder ein Gerät)</translation>
    </message>
    <message>
        <source>is a symbolic link that leads back to itself</source>
        <translation>ist ein symbolischer Link, der auf sich selbst zurückführt</translation>
    </message>
    <message>
        <source>is a symbolic link to nothing</source>
        <translation>ist ein symbolischer Link ins Leere</translation>
    </message>
    <message>
        <source>is missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>cannot be reached: </source>
        <translation>ist nicht erreichbar: </translation>
    </message>
    <message>
        <source>%1, with &quot;\&quot; read as a folder separator</source>
        <translation>%1, mit &quot;\&quot; als Ordnertrenner gelesen</translation>
    </message>
    <message>
        <source>names that differ from it in case only</source>
        <translation>Namen, die sich nur in der Groß-/Kleinschreibung unterscheiden</translation>
    </message>
    <message>
        <source>%1: the data file %2 is of type %3; only binary (BIN) and WAVE images can be opened</source>
        <translation>%1: die Datendatei %2 hat den Typ %3; nur binäre (BIN) und WAVE-Abbilder können geöffnet werden</translation>
    </message>
    <message>
        <source> (also looked for %1)</source>
        <translation> (auch gesucht: %1)</translation>
    </message>
    <message>
        <source> and for </source>
        <translation> und </translation>
    </message>
    <message>
        <source>%1: its data file %2 %3</source>
        <translation>%1: seine Datendatei %2 %3</translation>
    </message>
    <message>
        <source>%1: its data file %2 cannot be opened: %3</source>
        <translation>%1: seine Datendatei %2 kann nicht geöffnet werden: %3</translation>
    </message>
    <message>
        <source>its data file %1 ends within sector %2</source>
        <translation>seine Datendatei %1 endet innerhalb von Sektor %2</translation>
    </message>
    <message>
        <source>%1: its WAVE file %2 cannot be read: %3</source>
        <translation>%1: seine WAVE-Datei %2 kann nicht gelesen werden: %3</translation>
    </message>
    <message>
        <source>%1: its WAVE file %2 is not CD audio (PCM, 44,100 Hz, 16-bit, stereo)</source>
        <translation>%1: seine WAVE-Datei %2 ist kein CD-Audio (PCM, 44.100 Hz, 16 Bit, stereo)</translation>
    </message>
    <message>
        <source>its WAVE file %1 is cut short: it holds %2 of the %3 its header announces</source>
        <translation>seine WAVE-Datei %1 ist abgeschnitten: sie enthält %2 der %3, die ihr Kopf ankündigt</translation>
    </message>
    <message>
        <source>%1: %2, more than a disc holds</source>
        <translation>%1: %2, mehr als eine CD fasst</translation>
    </message>
    <message>
        <source>%1: its data file %2 does not hold whole CD sectors (%3 bytes of audio; a sector is 2,352): the files after it would not start where the sheet says</source>
        <translation>%1: seine Datendatei %2 enthält keine ganzen CD-Sektoren (%3 Bytes Audio; ein Sektor hat 2.352): die Dateien danach begännen nicht dort, wo das Cue-Sheet es sagt</translation>
    </message>
    <message>
        <source>the temporary folder %1: %2</source>
        <translation>der temporäre Ordner %1: %2</translation>
    </message>
    <message>
        <source>%1: it ended while it was read</source>
        <translation>%1: es endete, während es gelesen wurde</translation>
    </message>
    <message>
        <source>%1: its files hold more than a disc can (99:59:74)</source>
        <translation>%1: seine Dateien enthalten mehr, als eine CD fassen kann (99:59:74)</translation>
    </message>
    <message>
        <source>%1 cannot be opened: its private copy in %2 cannot be written (%3)</source>
        <translation>%1 kann nicht geöffnet werden: seine private Kopie in %2 kann nicht geschrieben werden (%3)</translation>
    </message>
    <message>
        <source>%1 cannot be opened: its files could not be joined into one image (%2)</source>
        <translation>%1 kann nicht geöffnet werden: seine Dateien konnten nicht zu einem Abbild zusammengefügt werden (%2)</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>it leads nowhere</source>
        <translation>er führt ins Leere</translation>
    </message>
    <message>
        <source>there is no such file</source>
        <translation>es gibt keine solche Datei</translation>
    </message>
    <message>
        <source>%1: its data file %2 ends before the first track starts (it holds %3 bytes)</source>
        <translation>%1: seine Datendatei %2 endet vor dem Beginn des ersten Titels (sie enthält %3 Bytes)</translation>
    </message>
    <message>
        <source>%1 cannot be opened: there are %2 drives already, the most there can be</source>
        <translation>%1 kann nicht geöffnet werden: es gibt schon %2 Laufwerke, die Höchstzahl</translation>
    </message>
</context>
<context>
    <name>cdiolib</name>
    <message>
        <source>%1 cannot be opened (%2)</source>
        <translation>%1 kann nicht geöffnet werden (%2)</translation>
    </message>
    <message>
        <source>%1 cannot be opened</source>
        <translation>%1 kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>There is no readable disc in the drive</source>
        <translation>Im Laufwerk ist keine lesbare CD</translation>
    </message>
    <message>
        <source>The disc holds no track</source>
        <translation>Die CD enthält keinen Titel</translation>
    </message>
    <message>
        <source>sector %1 is not in the image: %2</source>
        <translation>Sektor %1 ist nicht im Abbild: %2</translation>
    </message>
    <message>
        <source>sector %1 could not be read: the image&apos;s data file %2 is gone</source>
        <translation>Sektor %1 konnte nicht gelesen werden: die Datendatei %2 des Abbilds ist verschwunden</translation>
    </message>
    <message>
        <source>sector %1 is past the end of the image&apos;s data file %2, which holds %3 whole sectors</source>
        <translation>Sektor %1 liegt hinter dem Ende der Datendatei %2 des Abbilds, die %3 ganze Sektoren enthält</translation>
    </message>
    <message>
        <source>sector %1 of the image could not be read</source>
        <translation>Sektor %1 des Abbilds konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>The drive cannot read audio</source>
        <translation>Das Laufwerk kann kein Audio lesen</translation>
    </message>
    <message>
        <source>The disc holds no readable audio</source>
        <translation>Die CD enthält kein lesbares Audio</translation>
    </message>
    <message>
        <source>paranoia cannot be started</source>
        <translation>paranoia kann nicht gestartet werden</translation>
    </message>
    <message>
        <source>sector %1 is in track %2, a data track</source>
        <translation>Sektor %1 liegt in Titel %2, einem Datentitel</translation>
    </message>
    <message>
        <source>sector %1 is past the disc&apos;s end (its lead-out is sector %2)</source>
        <translation>Sektor %1 liegt hinter dem Ende der CD (ihr Lead-out ist Sektor %2)</translation>
    </message>
    <message>
        <source>sector %1 is in no audio track</source>
        <translation>Sektor %1 liegt in keinem Audiotitel</translation>
    </message>
    <message>
        <source>the drive cannot seek to sector %1</source>
        <translation>das Laufwerk kann Sektor %1 nicht ansteuern</translation>
    </message>
    <message>
        <source>the read was stopped at sector %1</source>
        <translation>das Lesen wurde bei Sektor %1 gestoppt</translation>
    </message>
    <message>
        <source>sector %1 could not be read (%2 attempts failed)</source>
        <translation>Sektor %1 konnte nicht gelesen werden (%2 Versuche schlugen fehl)</translation>
    </message>
</context>
<context>
    <name>cli</name>
    <message>
        <source>mp3vortan-cli: MusicBrainz knows %1 other releases of this disc; the first is taken (tracks --lookup lists them, --release chooses)</source>
        <translation>mp3vortan-cli: MusicBrainz kennt %1 weitere Veröffentlichungen dieser CD; die erste wird genommen (tracks --lookup listet sie, --release wählt)</translation>
    </message>
    <message>
        <source>--cover needs a picture file or none</source>
        <translation>--cover braucht eine Bilddatei oder none</translation>
    </message>
    <message>
        <source>--release needs a release&apos;s number or MusicBrainz identifier</source>
        <translation>--release braucht die Nummer oder MusicBrainz-ID einer Veröffentlichung</translation>
    </message>
    <message>
        <source>--names: %1</source>
        <translation>--names: %1</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>unterbrochen</translation>
    </message>
    <message>
        <source>--cover: %1</source>
        <translation>--cover: %1</translation>
    </message>
    <message>
        <source>mp3vortan-cli: no front cover: %1</source>
        <translation>mp3vortan-cli: kein Frontcover: %1</translation>
    </message>
    <message>
        <source>mp3vortan-cli: %1 is there already; it was kept and no cover file was written</source>
        <translation>mp3vortan-cli: %1 ist schon vorhanden; sie wurde behalten und keine Coverdatei geschrieben</translation>
    </message>
</context>
<context>
    <name>cli::Commands</name>
    <message>
        <source>mp3vortan-cli: </source>
        <translation>mp3vortan-cli: </translation>
    </message>
    <message>
        <source>the destination folder %1 cannot be created</source>
        <translation>der Zielordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>mp3vortan-cli: removed %1, left unfinished by an earlier run</source>
        <translation>mp3vortan-cli: %1 entfernt, von einem früheren Lauf unfertig hinterlassen</translation>
    </message>
    <message>
        <source>mp3vortan-cli: interrupted; nothing was %1</source>
        <translation>mp3vortan-cli: unterbrochen; nichts wurde %1</translation>
    </message>
    <message>
        <source>mp3vortan-cli: interrupted</source>
        <translation>mp3vortan-cli: unterbrochen</translation>
    </message>
    <message>
        <source>mp3vortan-cli: %1 of %2 files could not be %3:</source>
        <translation>mp3vortan-cli: %1 von %2 Dateien konnten nicht %3 werden:</translation>
    </message>
    <message>
        <source>mp3vortan-cli: %1: the data file holds less than the cue sheet describes (an incomplete copy?)
  %2</source>
        <translation>mp3vortan-cli: %1: die Datendatei enthält weniger, als das Cue-Sheet beschreibt (eine unvollständige Kopie?)
  %2</translation>
    </message>
    <message>
        <source>%1: no such CD drive (drives found: %2)</source>
        <translation>%1: kein solches CD-Laufwerk (gefundene Laufwerke: %2)</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>unterbrochen</translation>
    </message>
    <message>
        <source>the disc&apos;s MusicBrainz disc ID could not be computed (%1)</source>
        <translation>die MusicBrainz-Disc-ID der CD konnte nicht berechnet werden (%1)</translation>
    </message>
    <message>
        <source>mp3vortan-cli: the disc could not be looked up: %1</source>
        <translation>mp3vortan-cli: die CD konnte nicht abgerufen werden: %1</translation>
    </message>
    <message>
        <source>mp3vortan-cli: MusicBrainz does not know disc ID %1</source>
        <translation>mp3vortan-cli: MusicBrainz kennt die Disc-ID %1 nicht</translation>
    </message>
    <message>
        <source>encoded</source>
        <translation>kodiert</translation>
    </message>
    <message>
        <source>decoded</source>
        <translation>dekodiert</translation>
    </message>
    <message>
        <source>track %1 of %2 is a data track; only audio tracks can be ripped</source>
        <translation>Titel %1 von %2 ist ein Datentitel; nur Audiotitel können ausgelesen werden</translation>
    </message>
    <message>
        <source>%1 has no track %2 (its tracks are %3 to %4)</source>
        <translation>%1 hat keinen Titel %2 (seine Titel sind %3 bis %4)</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Titel %1</translation>
    </message>
    <message>
        <source>extracted</source>
        <translation>ausgelesen</translation>
    </message>
    <message>
        <source>mp3vortan-cli: interrupted: the AccurateRip verdict was not given</source>
        <translation>mp3vortan-cli: unterbrochen: das AccurateRip-Ergebnis wurde nicht ermittelt</translation>
    </message>
    <message>
        <source>%1: the table of contents cannot be read (%2)</source>
        <translation>%1: das Inhaltsverzeichnis kann nicht gelesen werden (%2)</translation>
    </message>
    <message>
        <source>mp3vortan-cli: interrupted; nothing was ripped</source>
        <translation>mp3vortan-cli: unterbrochen; nichts wurde ausgelesen</translation>
    </message>
    <message>
        <source>Read offset correction: </source>
        <translation>Leseversatz-Korrektur: </translation>
    </message>
    <message>
        <source>mp3vortan-cli: the AccurateRip database could not be asked: </source>
        <translation>mp3vortan-cli: die AccurateRip-Datenbank konnte nicht befragt werden: </translation>
    </message>
    <message>
        <source>Track %1: %2: %3</source>
        <translation>Titel %1: %2: %3</translation>
    </message>
</context>
<context>
    <name>cli::Convert</name>
    <message>
        <source>converted</source>
        <translation>umgewandelt</translation>
    </message>
</context>
<context>
    <name>cli::Info</name>
    <message>
        <source>: File contains no data</source>
        <translation>: Datei enthält keine Daten</translation>
    </message>
</context>
<context>
    <name>cli::Main</name>
    <message>
        <source>mp3vortan-cli: %1
Try &apos;mp3vortan-cli --help&apos;.
</source>
        <translation>mp3vortan-cli: %1
Siehe &apos;mp3vortan-cli --help&apos;.
</translation>
    </message>
</context>
<context>
    <name>cli::Mirror</name>
    <message>
        <source>mp3vortan-cli: </source>
        <translation>mp3vortan-cli: </translation>
    </message>
    <message>
        <source>mp3vortan-cli: interrupted; nothing was converted</source>
        <translation>mp3vortan-cli: unterbrochen; nichts wurde umgewandelt</translation>
    </message>
    <message>
        <source>mp3vortan-cli: interrupted</source>
        <translation>mp3vortan-cli: unterbrochen</translation>
    </message>
    <message>
        <source>mp3vortan-cli: dry run, nothing changed: would convert %1, copy %2, remove %3; up to date %4, failed %5</source>
        <translation>mp3vortan-cli: Probelauf, nichts geändert: würde %1 umwandeln, %2 kopieren, %3 entfernen; aktuell %4, fehlgeschlagen %5</translation>
    </message>
    <message>
        <source>converted or copied</source>
        <translation>umgewandelt oder kopiert</translation>
    </message>
    <message>
        <source>mp3vortan-cli: %1: the disk is full; the run stops here, nothing is left half-written, and running it again once there is room finishes the rest</source>
        <translation>mp3vortan-cli: %1: der Datenträger ist voll; der Lauf endet hier, nichts bleibt halb geschrieben, und ein erneuter Lauf erledigt den Rest, sobald Platz ist</translation>
    </message>
    <message>
        <source>mp3vortan-cli: converted %1, copied %2, up to date %3, failed %4, removed %5</source>
        <translation>mp3vortan-cli: umgewandelt %1, kopiert %2, aktuell %3, fehlgeschlagen %4, entfernt %5</translation>
    </message>
    <message>
        <source>mp3vortan-cli: not mirrored:</source>
        <translation>mp3vortan-cli: nicht gespiegelt:</translation>
    </message>
    <message>
        <source>mp3vortan-cli: %1 outputs that no source gives any more are kept (--delete removes them)</source>
        <translation>mp3vortan-cli: %1 Ausgaben, die keine Quelle mehr ergibt, bleiben erhalten (--delete entfernt sie)</translation>
    </message>
    <message>
        <source>mp3vortan-cli: %1 files are not done yet; running the same command again makes them</source>
        <translation>mp3vortan-cli: %1 Dateien sind noch nicht fertig; derselbe Befehl noch einmal erstellt sie</translation>
    </message>
</context>
<context>
    <name>cli::Offset</name>
    <message>
        <source>%1: %2 %3 %4 (confidence %5)</source>
        <translation>%1: %2 %3 %4 (Konfidenz %5)</translation>
    </message>
    <message>
        <source>track</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>tracks</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>matches</source>
        <translation>passt</translation>
    </message>
    <message>
        <source>match</source>
        <translation>passen</translation>
    </message>
    <message>
        <source>the AccurateRip database could not be asked: %1</source>
        <translation>die AccurateRip-Datenbank konnte nicht befragt werden: %1</translation>
    </message>
    <message>
        <source>the disc is not in the AccurateRip database: its offset cannot be found with it; try another disc</source>
        <translation>die CD ist nicht in der AccurateRip-Datenbank: der Versatz lässt sich mit ihr nicht ermitteln; versuchen Sie eine andere CD</translation>
    </message>
    <message>
        <source>Reading tracks with %1 samples either side...</source>
        <translation>Titel werden mit %1 Samples zu beiden Seiten gelesen...</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>unterbrochen</translation>
    </message>
    <message>
        <source>Tracks compared: %1</source>
        <translation>Verglichene Titel: %1</translation>
    </message>
    <message>
        <source>no read offset from -%1 to +%1 samples matches the database&apos;s record of the disc</source>
        <translation>kein Leseversatz von -%1 bis +%1 Samples passt zum Eintrag der Datenbank für die CD</translation>
    </message>
    <message>
        <source>Store %1 as the read offset of %2?</source>
        <translation>%1 als Leseversatz von %2 speichern?</translation>
    </message>
    <message>
        <source>Not stored (give --store to store the best offset found).</source>
        <translation>Nicht gespeichert (mit --store wird der beste gefundene Versatz gespeichert).</translation>
    </message>
    <message>
        <source>Stored %1 for %2.</source>
        <translation>%1 für %2 gespeichert.</translation>
    </message>
</context>
<context>
    <name>cli::Options</name>
    <message>
        <source>bitrate &apos;%1&apos; is not one of %2 (kbit/s)</source>
        <translation>Bitrate &apos;%1&apos; ist keine von %2 (kbit/s)</translation>
    </message>
    <message>
        <source>quality &apos;%1&apos; is not one of %2</source>
        <translation>Qualität &apos;%1&apos; ist keine von %2</translation>
    </message>
    <message>
        <source>%1 needs a folder</source>
        <translation>%1 braucht einen Ordner</translation>
    </message>
    <message>
        <source>files at once &apos;%1&apos; is not a number from 1 to %2</source>
        <translation>gleichzeitige Dateien &apos;%1&apos; ist keine Zahl von 1 bis %2</translation>
    </message>
    <message>
        <source>track list &apos;%1&apos; is not like 1,3-5 (tracks 0-99)</source>
        <translation>Titelliste &apos;%1&apos; hat nicht die Form 1,3-5 (Titel 0-99)</translation>
    </message>
    <message>
        <source>read offset &apos;%1&apos; is not a number of samples from -%2 to %2</source>
        <translation>Leseversatz &apos;%1&apos; ist keine Zahl von Samples von -%2 bis %2</translation>
    </message>
    <message>
        <source>format &apos;%1&apos; is not one of wav, mp3, flac, opus</source>
        <translation>Format &apos;%1&apos; ist keins von wav, mp3, flac, opus</translation>
    </message>
    <message>
        <source>FLAC level &apos;%1&apos; is not a number from %2 to %3</source>
        <translation>FLAC-Stufe &apos;%1&apos; ist keine Zahl von %2 bis %3</translation>
    </message>
    <message>
        <source>--to cannot be given with --mp3 or --wav</source>
        <translation>--to kann nicht zusammen mit --mp3 oder --wav angegeben werden</translation>
    </message>
    <message>
        <source>Opus bitrate &apos;%1&apos; is not from %2 to %3 kbit/s</source>
        <translation>Opus-Bitrate &apos;%1&apos; liegt nicht zwischen %2 und %3 kbit/s</translation>
    </message>
    <message>
        <source>--flac-level needs FLAC among the formats (--to flac)</source>
        <translation>--flac-level braucht FLAC unter den Formaten (--to flac)</translation>
    </message>
    <message>
        <source>%1 takes no value</source>
        <translation>%1 nimmt keinen Wert</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>format &apos;%1&apos; is not one of mp3, flac, opus, wav</source>
        <translation>Format &apos;%1&apos; ist keins von mp3, flac, opus, wav</translation>
    </message>
    <message>
        <source>bitrate &apos;%1&apos; is not a number of kbit/s</source>
        <translation>Bitrate &apos;%1&apos; ist keine Zahl von kbit/s</translation>
    </message>
    <message>
        <source>convert: give the format to write with --to mp3, flac, opus or wav</source>
        <translation>convert: geben Sie das zu schreibende Format mit --to mp3, flac, opus oder wav an</translation>
    </message>
    <message>
        <source>Opus bitrate &apos;%1&apos; is not from %2 to %3 (kbit/s)</source>
        <translation>Opus-Bitrate &apos;%1&apos; liegt nicht zwischen %2 und %3 (kbit/s)</translation>
    </message>
    <message>
        <source>convert --to %1 takes no bitrate (-b is for mp3 and opus)</source>
        <translation>convert --to %1 nimmt keine Bitrate (-b gilt für mp3 und opus)</translation>
    </message>
    <message>
        <source>convert --to %1 takes no quality (-q is for mp3)</source>
        <translation>convert --to %1 nimmt keine Qualität (-q gilt für mp3)</translation>
    </message>
    <message>
        <source>convert --to %1 takes no FLAC level</source>
        <translation>convert --to %1 nimmt keine FLAC-Stufe</translation>
    </message>
    <message>
        <source>--delete, --dry-run and --portable-names go with convert --mirror</source>
        <translation>--delete, --dry-run und --portable-names gehören zu convert --mirror</translation>
    </message>
    <message>
        <source>convert --mirror: give the destination folder with -o DIR</source>
        <translation>convert --mirror: geben Sie den Zielordner mit -o ORDNER an</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; does not take %2</source>
        <translation>&apos;%1&apos; nimmt kein %2</translation>
    </message>
    <message>
        <source>convert --mirror: no source folders given</source>
        <translation>convert --mirror: keine Quellordner angegeben</translation>
    </message>
    <message>
        <source>%1: no disc given (a .cue image or a CD device)</source>
        <translation>%1: keine CD angegeben (ein .cue-Abbild oder ein CD-Gerät)</translation>
    </message>
    <message>
        <source>%1: no files given</source>
        <translation>%1: keine Dateien angegeben</translation>
    </message>
    <message>
        <source>verify: give the disc, then the WAV files to compare</source>
        <translation>verify: geben Sie die CD an, dann die zu vergleichenden WAV-Dateien</translation>
    </message>
    <message>
        <source>%1 takes one disc, not %2 arguments</source>
        <translation>%1 nimmt eine CD, nicht %2 Argumente</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>kein Befehl angegeben</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>unbekannter Befehl &apos;%1&apos;</translation>
    </message>
    <message>
        <source>offset: the command is &apos;offset find DISC&apos;</source>
        <translation>offset: der Befehl lautet &apos;offset find CD&apos;</translation>
    </message>
    <message>
        <source>Usage: mp3vortan-cli COMMAND [OPTIONS] ARGUMENTS

MP3 Vortan&apos;s conversions from the shell, with the window&apos;s settings.

Commands:
  encode FILE...  WAV files to MP3            [-b KBITS] [-q QUALITY] [-o DIR] [-j N]
  decode FILE...  MP3 files to WAV            [-o DIR] [-j N]
  convert FILE... --to FORMAT  audio files of any common format (FLAC, Ogg,
                  Opus, M4A, WAV, MP3...) to mp3, flac, opus or wav, with
                  their tags  [-b KBITS] [-q QUALITY] [--flac-level N] [-o DIR]
                  [-j N]; e.g. convert --to flac -o ~/Music/flac *.wav
  convert --mirror FOLDER... -o DIR --to FORMAT  a whole library: every audio
                  file under the folders converted into the same relative
                  folder of DIR; MP3 to mp3 and Opus to opus are copied, never
                  coded twice; cover images go along and into the outputs;
                  what is up to date is left alone, so a rerun (also after
                  Ctrl+C or a crash) does only the rest  [--delete] [--dry-run]
                  [--portable-names] [-b KBITS] [-q QUALITY] [--flac-level N]
                  [-j N]; e.g. convert --mirror ~/Music -o /media/card --to mp3
  tracks DISC     the disc&apos;s identity, MusicBrainz disc ID and track list, with
                  the titles its CD-Text gives                 [--lookup]
  rip DISC        the disc&apos;s tracks to MP3 or WAV files (or FLAC, Opus: --to)
                  by digital extraction
                  [-t LIST] [--mp3|--wav] [--test-and-copy] [-b KBITS] [-q QUALITY]
                  [-o DIR] [--lookup] [--name-from-disc] [--offset N]
                  [--to FORMATS] [--flac-level N] [--cover FILE|none]
                  [--release N|ID] [--names TEMPLATE] [--portable-names]
                  [--mode secure|fast|paranoid]; the files are tagged with
                  the disc&apos;s information and its front cover (also written
                  beside them); a rip log with each
                  track&apos;s checksums, loudness and the read offset corrected
                  and a cue sheet of the files (gaps, ISRCs, catalogue
                  number) go beside them
  info FILE...    the MPEG header values, the ID3v1 tag and the ID3v2 frames of
                  MP3 files; the stream values and tags of other audio files
  verify DISC WAV...  each WAV&apos;s checksums against its track of the disc
                  [--offset N]; both rip and verify ask the AccurateRip
                  database and exit 1 when a track does not match its record
  offset find DISC  the drive&apos;s read offset, found by reading one or two tracks
                  and comparing them with the AccurateRip database&apos;s record
                  of the disc [--store]
  DISC is a disc image&apos;s cue sheet (.cue: one BIN, or WAVE files of CD audio,
  such as the sheet a rip leaves) or a CD device (/dev/sr0).

Options:
  -b, --bitrate KBITS  constant bitrate: %1;
                       for Opus (convert --to opus, rip --to opus), %8 to %9
                       (default %10)
  -q, --quality NAME   %2
  -o, --output DIR     the destination folder (created when missing)
  -j, --jobs N         files converted at once, 1 to %3
      --to FORMAT      what convert writes: mp3, flac, opus or wav; rip takes
                       a list, each track written in every format listed from
                       one read, the first the main one, each with its own
                       cue sheet, e.g. rip --to flac,mp3 /dev/sr0 (rip: not
                       with --mp3 or --wav)
      --flac-level N   FLAC compression level, %5 (fastest) to %6 (smallest;
                       default %7)
      --mirror         convert takes source folders, mirrored into -o&apos;s folder
      --delete         with --mirror: removes the outputs (and cover copies)
                       this program made that no source gives any more;
                       nothing else
      --dry-run        with --mirror: lists what would be converted, copied,
                       left up to date and removed, and changes nothing
      --portable-names with --mirror or rip: names valid on FAT, exFAT and NTFS
                       (memory cards, phones): no &lt;&gt;:&quot;\|?*, no trailing dot
                       or space; names that become equal are numbered
  -t, --tracks LIST    the tracks to extract, e.g. 1,3-5 (default: all); 0 is a
                       hidden track before track 1, which all leaves out
      --mp3, --wav     what rip writes (default: MP3)
      --test-and-copy  rip reads each track twice, a test pass then the copy;
                       the log gives both CRCs, and a track whose CRCs differ
                       fails
      --lookup         ask the MusicBrainz web service for the disc&apos;s album,
                       artist and titles (the first matching release, or
                       --release&apos;s; tracks numbers them all, with whether the
                       Cover Art Archive has a front cover; rip embeds that
                       cover in each file and writes cover.jpg beside them, as
                       Preferences say)
      --cover FILE     rip embeds the picture FILE (JPEG or PNG) as the front
                       cover instead of the one --lookup fetches; --cover
                       none: no picture at all
      --name-from-disc rip names each file &quot;NN - Title&quot; after its track&apos;s
                       title (CD-Text or --lookup)
      --names TEMPLATE rip names each file (and folders below -o) by TEMPLATE
                       (the &quot;File names&quot; preference; implies --name-from-disc)
                       with {albumartist} {artist} {album} {year} {disc}
                       {discs} {track} {title} {isrc}; a part in [ ] is left
                       out when a field in it is empty, e.g.
                       &quot;{albumartist}/{album}/[{disc}-]{track} - {title}&quot;
      --release N|ID   rip the N-th release of tracks --lookup&apos;s list, or the
                       one with that MusicBrainz ID (implies --lookup)
      --mode MODE      how rip reads the disc: secure (every sector through
                       the error-correcting reader), fast (each track read
                       once, read again securely unless the AccurateRip
                       database confirms it) or paranoid (secure, tested and
                       copied); default: the choice in Preferences (secure)
      --offset N       the drive&apos;s read offset in samples, -%4 to %4, for this
                       run (default: the one stored for the drive&apos;s model in
                       Preferences, else 0); e.g. rip --offset 6 /dev/sr0 for
                       a drive that reads 6 samples late
      --store          offset find stores the best offset for the drive&apos;s
                       model without asking
  -h, --help           this text
  -V, --version        the program&apos;s version

Bitrate, quality, destination and files at once default to the choices made
in the MP3 Vortan window; options apply to this run only and are never saved.
No file is replaced: an output whose name is taken gets a number, &quot;a (2).mp3&quot;.
Progress goes to standard error, the path of each file written completely to
standard output, one a line. Printed lines are escaped: a backslash is \\,
a newline \n, a tab \t, other control characters \r, \e, \xHH, \uHHHH.
Ctrl+C or SIGTERM ends the run at any stage; the files under way end
properly (a rip keeps no file of the track under way).
Messages and this help follow the locale&apos;s language (LANG); standard output
stays English.

Exit status: 0 when every file was converted (verify: every file matches its
track), 1 when some were not (each is named with the reason) or the run was
interrupted, 2 for a usage error.
</source>
        <translation>Aufruf: mp3vortan-cli BEFEHL [OPTIONEN] ARGUMENTE

Die Umwandlungen von MP3 Vortan in der Shell, mit den Einstellungen des Fensters.

Befehle:
  encode DATEI... WAV-Dateien zu MP3          [-b KBITS] [-q QUALITÄT] [-o ORDNER] [-j N]
  decode DATEI... MP3-Dateien zu WAV          [-o ORDNER] [-j N]
  convert DATEI... --to FORMAT  Audiodateien jedes gängigen Formats (FLAC, Ogg,
                  Opus, M4A, WAV, MP3...) zu mp3, flac, opus oder wav, mit
                  ihren Tags  [-b KBITS] [-q QUALITÄT] [--flac-level N] [-o ORDNER]
                  [-j N]; z. B. convert --to flac -o ~/Music/flac *.wav
  convert --mirror ORDNER... -o ZIEL --to FORMAT  eine ganze Sammlung: jede
                  Audiodatei unter den Ordnern, umgewandelt in denselben relativen
                  Ordner von ZIEL; MP3 zu mp3 und Opus zu opus werden kopiert, nie
                  zweimal kodiert; Coverbilder werden mitgenommen und eingebettet;
                  was aktuell ist, bleibt unberührt, daher erledigt ein erneuter
                  Lauf (auch nach Strg+C oder einem Absturz) nur den Rest
                  [--delete] [--dry-run] [--portable-names] [-b KBITS] [-q QUALITÄT]
                  [--flac-level N] [-j N]; z. B. convert --mirror ~/Music -o /media/card --to mp3
  tracks CD       Kennung, MusicBrainz-Disc-ID und Titelliste der CD, mit den
                  Titeln aus ihrem CD-Text                     [--lookup]
  rip CD          die Titel der CD als MP3- oder WAV-Dateien (oder FLAC, Opus: --to)
                  durch digitales Auslesen
                  [-t LISTE] [--mp3|--wav] [--test-and-copy] [-b KBITS] [-q QUALITÄT]
                  [-o ORDNER] [--lookup] [--name-from-disc] [--offset N]
                  [--to FORMATE] [--flac-level N] [--cover DATEI|none]
                  [--release N|ID] [--names VORLAGE] [--portable-names]
                  [--mode secure|fast|paranoid]; die Dateien erhalten Tags mit
                  den Informationen der CD und ihr Frontcover (das auch daneben
                  abgelegt wird); ein Protokoll mit den Prüfsummen, der
                  Lautheit jedes Titels und dem korrigierten Leseversatz sowie ein
                  Cue-Sheet der Dateien (Pausen, ISRCs, Katalognummer) kommen
                  daneben
  info DATEI...   die MPEG-Kopfwerte, das ID3v1-Tag und die ID3v2-Frames von
                  MP3-Dateien; die Stream-Werte und Tags anderer Audiodateien
  verify CD WAV...  die Prüfsummen jeder WAV-Datei gegen ihren Titel der CD
                  [--offset N]; rip und verify fragen beide die AccurateRip-
                  Datenbank und enden mit 1, wenn ein Titel nicht zu seinem Eintrag passt
  offset find CD  der Leseversatz des Laufwerks, ermittelt durch Lesen von ein
                  oder zwei Titeln und Vergleich mit dem Eintrag der CD in der
                  AccurateRip-Datenbank [--store]
  CD ist das Cue-Sheet eines CD-Abbilds (.cue: eine BIN- oder WAVE-Dateien mit
  CD-Audio, etwa das Cue-Sheet eines Auslesens) oder ein CD-Gerät (/dev/sr0).

Optionen:
  -b, --bitrate KBITS  konstante Bitrate: %1;
                       für Opus (convert --to opus, rip --to opus) %8 bis %9
                       (Standard %10)
  -q, --quality NAME   %2
  -o, --output ORDNER  der Zielordner (wird angelegt, wenn er fehlt)
  -j, --jobs N         gleichzeitig umgewandelte Dateien, 1 bis %3
      --to FORMAT      was convert schreibt: mp3, flac, opus oder wav; rip nimmt
                       eine Liste, jeder Titel wird aus einem Lesevorgang in jedem
                       genannten Format geschrieben, das erste ist das Hauptformat,
                       jedes mit eigenem Cue-Sheet, z. B. rip --to flac,mp3 /dev/sr0
                       (rip: nicht mit --mp3 oder --wav)
      --flac-level N   FLAC-Kompressionsstufe, %5 (am schnellsten) bis %6 (am
                       kleinsten; Standard %7)
      --mirror         convert nimmt Quellordner, gespiegelt in den Ordner von -o
      --delete         mit --mirror: entfernt die Ausgaben (und Coverkopien) dieses
                       Programms, die keine Quelle mehr ergibt; sonst nichts
      --dry-run        mit --mirror: listet, was umgewandelt, kopiert, als aktuell
                       belassen und entfernt würde, und ändert nichts
      --portable-names mit --mirror oder rip: Namen, die auf FAT, exFAT und NTFS
                       gelten (Speicherkarten, Handys): kein &lt;&gt;:&quot;\|?*, kein Punkt
                       oder Leerzeichen am Ende; Namen, die dadurch gleich
                       werden, werden nummeriert
  -t, --tracks LISTE   die auszulesenden Titel, z. B. 1,3-5 (Standard: alle); 0 ist
                       ein versteckter Titel vor Titel 1, den &quot;alle&quot; auslässt
      --mp3, --wav     was rip schreibt (Standard: MP3)
      --test-and-copy  rip liest jeden Titel zweimal, einen Testlauf, dann die Kopie;
                       das Protokoll nennt beide CRCs, und ein Titel mit
                       abweichenden CRCs schlägt fehl
      --lookup         den MusicBrainz-Webdienst nach Album, Interpret und Titeln
                       der CD fragen (die erste passende Veröffentlichung oder die
                       von --release; tracks nummeriert alle und sagt, ob das
                       Cover Art Archive ein Frontcover hat; rip bettet dieses
                       Cover in jede Datei ein und legt cover.jpg daneben, wie
                       in den Einstellungen festgelegt)
      --cover DATEI    rip bettet das Bild DATEI (JPEG oder PNG) als Frontcover
                       ein statt des von --lookup geholten; --cover none: gar
                       kein Bild
      --name-from-disc rip benennt jede Datei &quot;NN - Titel&quot; nach dem Titel ihres
                       Tracks (CD-Text oder --lookup)
      --names VORLAGE  rip benennt jede Datei (und Ordner unter -o) nach VORLAGE
                       (die Einstellung &quot;Dateinamen&quot;; schließt --name-from-disc
                       ein) mit {albumartist} {artist} {album} {year} {disc}
                       {discs} {track} {title} {isrc}; ein Teil in [ ] entfällt,
                       wenn ein Feld darin leer ist, z. B.
                       &quot;{albumartist}/{album}/[{disc}-]{track} - {title}&quot;
      --release N|ID   die N-te Veröffentlichung der Liste von tracks --lookup
                       auslesen, oder die mit dieser MusicBrainz-ID (schließt
                       --lookup ein)
      --mode MODUS     wie rip die CD liest: secure (jeder Sektor durch den
                       fehlerkorrigierenden Leser), fast (jeder Titel einmal
                       gelesen, sicher neu gelesen, wenn die AccurateRip-
                       Datenbank ihn nicht bestätigt) oder paranoid (sicher,
                       mit Test und Kopie); Standard: die Wahl in den
                       Einstellungen (secure)
      --offset N       der Leseversatz des Laufwerks in Samples, -%4 bis %4, für
                       diesen Lauf (Standard: der für das Laufwerksmodell in den
                       Einstellungen gespeicherte, sonst 0); z. B. rip --offset 6
                       /dev/sr0 für ein Laufwerk, das 6 Samples zu spät liest
      --store          offset find speichert den besten Versatz für das
                       Laufwerksmodell ohne Rückfrage
  -h, --help           dieser Text
  -V, --version        die Version des Programms

Bitrate, Qualität, Ziel und gleichzeitige Dateien folgen den Einstellungen im
Fenster von MP3 Vortan; Optionen gelten nur für diesen Lauf und werden nie
gespeichert. Keine Datei wird ersetzt: eine Ausgabe, deren Name vergeben ist,
erhält eine Nummer, &quot;a (2).mp3&quot;. Der Fortschritt geht auf die Standardfehlerausgabe,
der Pfad jeder vollständig geschriebenen Datei auf die Standardausgabe, einer je
Zeile. Ausgegebene Zeilen werden maskiert: ein Backslash ist \\, ein
Zeilenumbruch \n, ein Tabulator \t, andere Steuerzeichen \r, \e, \xHH, \uHHHH.
Strg+C oder SIGTERM beendet den Lauf in jeder Phase; die laufenden Dateien
werden ordentlich abgeschlossen (ein Auslesen behält keine Datei des laufenden
Titels).
Meldungen und diese Hilfe folgen der Sprache der Locale (LANG); die
Standardausgabe bleibt Englisch.

Exit-Status: 0, wenn jede Datei umgewandelt wurde (verify: jede Datei passt zu
ihrem Titel), 1, wenn einige nicht umgewandelt wurden (jede wird mit dem Grund
genannt) oder der Lauf unterbrochen wurde, 2 bei einem Aufruffehler.
</translation>
    </message>
</context>
<context>
    <name>cli::Progress</name>
    <message>
        <source>stopped before its end; the file holds what was done</source>
        <translation>vor dem Ende gestoppt; die Datei enthält, was fertig wurde</translation>
    </message>
    <message>
        <source>not started</source>
        <translation>nicht begonnen</translation>
    </message>
    <message>
        <source>: done</source>
        <translation>: fertig</translation>
    </message>
    <message>
        <source>mp3vortan-cli: </source>
        <translation>mp3vortan-cli: </translation>
    </message>
    <message>
        <source>, about %1 left</source>
        <translation>, noch etwa %1</translation>
    </message>
    <message>
        <source>  %1/%2 files  %3/%4 MB  </source>
        <translation>  %1/%2 Dateien  %3/%4 MB  </translation>
    </message>
    <message>
        <source> MB/s  </source>
        <translation> MB/s  </translation>
    </message>
</context>
<context>
    <name>clsfileio</name>
    <message>
        <source>the file is in use</source>
        <translation>die Datei wird gerade benutzt</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Überlauf</translation>
    </message>
</context>
<context>
    <name>coverarchive</name>
    <message>
        <source>an unencrypted address</source>
        <translation>eine unverschlüsselte Adresse</translation>
    </message>
    <message>
        <source>&quot;%1&quot; names no cover art server: a server other than this computer is only asked over https</source>
        <translation>&quot;%1&quot; nennt keinen Cover-Server: ein anderer Server als dieser Computer wird nur über https gefragt</translation>
    </message>
    <message>
        <source>The Cover Art Archive&apos;s listing cannot be read: %1</source>
        <translation>Die Liste des Cover Art Archive kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>it holds no list of images</source>
        <translation>sie enthält keine Liste von Bildern</translation>
    </message>
    <message>
        <source>The Cover Art Archive lists no front cover of this release</source>
        <translation>Das Cover Art Archive führt kein Frontcover dieser Veröffentlichung</translation>
    </message>
    <message>
        <source>the front cover&apos;s address &quot;%1&quot; is no web address</source>
        <translation>die Adresse des Frontcovers &quot;%1&quot; ist keine Webadresse</translation>
    </message>
</context>
<context>
    <name>coverarchive::CoverFetch</name>
    <message>
        <source>&quot;%1&quot; is no MusicBrainz release identifier</source>
        <translation>&quot;%1&quot; ist keine MusicBrainz-ID einer Veröffentlichung</translation>
    </message>
    <message>
        <source>The Cover Art Archive at %1 answered with more than %2 kB; the answer was not taken</source>
        <translation>Das Cover Art Archive unter %1 antwortete mit mehr als %2 kB; die Antwort wurde nicht angenommen</translation>
    </message>
    <message>
        <source>The Cover Art Archive at %1 did not answer within %2 seconds</source>
        <translation>Das Cover Art Archive unter %1 antwortete nicht innerhalb von %2 Sekunden</translation>
    </message>
    <message>
        <source>The Cover Art Archive at %1 %2</source>
        <translation>Das Cover Art Archive unter %1 %2</translation>
    </message>
    <message>
        <source>The Cover Art Archive at %1 cannot be reached: %2</source>
        <translation>Das Cover Art Archive unter %1 ist nicht erreichbar: %2</translation>
    </message>
    <message>
        <source>The Cover Art Archive at %1 gave no whole answer: %2</source>
        <translation>Das Cover Art Archive unter %1 gab keine vollständige Antwort: %2</translation>
    </message>
    <message>
        <source>The Cover Art Archive at %1 does not answer as a web server does: %2</source>
        <translation>Das Cover Art Archive unter %1 antwortet nicht wie ein Webserver: %2</translation>
    </message>
    <message>
        <source>The Cover Art Archive has no cover of release %1</source>
        <translation>Das Cover Art Archive hat kein Cover der Veröffentlichung %1</translation>
    </message>
    <message>
        <source>The Cover Art Archive at %1 answered HTTP %2 %3</source>
        <translation>Das Cover Art Archive unter %1 antwortete mit HTTP %2 %3</translation>
    </message>
</context>
<context>
    <name>coverart</name>
    <message>
        <source>too large for a cover image</source>
        <translation>zu groß für ein Coverbild</translation>
    </message>
    <message>
        <source>neither a JPEG nor a PNG image</source>
        <translation>weder ein JPEG- noch ein PNG-Bild</translation>
    </message>
    <message>
        <source>the image cannot be read</source>
        <translation>das Bild kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the image cannot be scaled down (no JPEG writer)</source>
        <translation>das Bild kann nicht verkleinert werden (kein JPEG-Schreiber)</translation>
    </message>
    <message>
        <source>the image cannot be made small enough to embed</source>
        <translation>das Bild lässt sich nicht klein genug zum Einbetten machen</translation>
    </message>
</context>
<context>
    <name>cuesheet</name>
    <message>
        <source>%1 is not a cue sheet</source>
        <translation>%1 ist kein Cue-Sheet</translation>
    </message>
    <message>
        <source>%1 is not a valid cue sheet: its UTF-16 text is damaged</source>
        <translation>%1 ist kein gültiges Cue-Sheet: sein UTF-16-Text ist beschädigt</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>Titel %1 hat kein INDEX 01</translation>
    </message>
    <message>
        <source>%1 is not a valid cue sheet: line %2: %3</source>
        <translation>%1 ist kein gültiges Cue-Sheet: Zeile %2: %3</translation>
    </message>
    <message>
        <source>FILE needs a file name and a type</source>
        <translation>FILE braucht einen Dateinamen und einen Typ</translation>
    </message>
    <message>
        <source>PREGAP needs a track and a length mm:ss:ff</source>
        <translation>PREGAP braucht einen Titel und eine Länge mm:ss:ff</translation>
    </message>
    <message>
        <source>TRACK before any FILE</source>
        <translation>TRACK vor jedem FILE</translation>
    </message>
    <message>
        <source>TRACK needs a number 1..99 and a mode</source>
        <translation>TRACK braucht eine Nummer 1..99 und einen Modus</translation>
    </message>
    <message>
        <source>track %1 does not follow track %2</source>
        <translation>Titel %1 folgt nicht auf Titel %2</translation>
    </message>
    <message>
        <source>track mode %1 is not supported</source>
        <translation>Titelmodus %1 wird nicht unterstützt</translation>
    </message>
    <message>
        <source>audio track %1 in session %2: only the first session of a disc holds audio</source>
        <translation>Audiotitel %1 in Session %2: nur die erste Session einer CD enthält Audio</translation>
    </message>
    <message>
        <source>INDEX before any TRACK</source>
        <translation>INDEX vor jedem TRACK</translation>
    </message>
    <message>
        <source>INDEX needs a number 0..99 and a time mm:ss:ff (seconds below 60, frames below 75)</source>
        <translation>INDEX braucht eine Nummer 0..99 und eine Zeit mm:ss:ff (Sekunden unter 60, Frames unter 75)</translation>
    </message>
    <message>
        <source>track %1 starts with INDEX %2 (INDEX 00 or 01 comes first)</source>
        <translation>Titel %1 beginnt mit INDEX %2 (INDEX 00 oder 01 kommt zuerst)</translation>
    </message>
    <message>
        <source>INDEX %1 of track %2 comes after INDEX %3</source>
        <translation>INDEX %1 von Titel %2 kommt nach INDEX %3</translation>
    </message>
    <message>
        <source>INDEX %1 of track %2 at %3 is not later than the INDEX before it (%4)</source>
        <translation>INDEX %1 von Titel %2 bei %3 liegt nicht nach dem INDEX davor (%4)</translation>
    </message>
    <message>
        <source>INDEX %1 of track %2 is in another file than its INDEX 01</source>
        <translation>INDEX %1 von Titel %2 liegt in einer anderen Datei als sein INDEX 01</translation>
    </message>
    <message>
        <source>REM SESSION needs a number 1..99</source>
        <translation>REM SESSION braucht eine Nummer 1..99</translation>
    </message>
    <message>
        <source>session %1 after session %2</source>
        <translation>Session %1 nach Session %2</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>%1: an INDEX of track %2 lies past the end of its file</source>
        <translation>%1: ein INDEX von Titel %2 liegt hinter dem Ende seiner Datei</translation>
    </message>
    <message>
        <source>%1: track %2 starts past 99:59:74 of the files joined</source>
        <translation>%1: Titel %2 beginnt nach 99:59:74 der zusammengefügten Dateien</translation>
    </message>
</context>
<context>
    <name>destination</name>
    <message>
        <source>Error in creating the path </source>
        <translation>Fehler beim Anlegen des Pfads </translation>
    </message>
    <message>
        <source>  Create a new Destination path using the selection controls</source>
        <translation>  Legen Sie mit den Auswahlfeldern einen neuen Zielpfad an</translation>
    </message>
</context>
<context>
    <name>disc</name>
    <message>
        <source>the disc in the drive is not the one listed; list the disc again</source>
        <translation>die CD im Laufwerk ist nicht die aufgelistete; listen Sie die CD neu auf</translation>
    </message>
</context>
<context>
    <name>disclisting</name>
    <message>
        <source>Track %1 - %2</source>
        <translation>Titel %1 - %2</translation>
    </message>
    <message>
        <source>The CD drive is empty. If you wish to use your CD as a source, please insert a music CD into the CD drive.</source>
        <translation>Das CD-Laufwerk ist leer. Wenn Sie Ihre CD als Quelle nutzen möchten, legen Sie bitte eine Musik-CD in das CD-Laufwerk ein.</translation>
    </message>
    <message>
        <source>The current CD is not a music CD. If you wish to use your CD as a source, please insert a music CD into the CD drive.</source>
        <translation>Die aktuelle CD ist keine Musik-CD. Wenn Sie Ihre CD als Quelle nutzen möchten, legen Sie bitte eine Musik-CD in das CD-Laufwerk ein.</translation>
    </message>
    <message>
        <source>Track %1 - missing from the image</source>
        <translation>Titel %1 - fehlt im Abbild</translation>
    </message>
    <message>
        <source> (data track)</source>
        <translation> (Datentitel)</translation>
    </message>
    <message>
        <source>Track 00 - %1</source>
        <translation>Titel 00 - %1</translation>
    </message>
</context>
<context>
    <name>drivespace</name>
    <message>
        <source> MB available
</source>
        <translation> MB verfügbar
</translation>
    </message>
</context>
<context>
    <name>drivetable</name>
    <message>
        <source>The disc image %1 is gone</source>
        <translation>Das CD-Abbild %1 ist verschwunden</translation>
    </message>
    <message>
        <source>The disc image %1 holds no track: its data file %2 ends before the first track</source>
        <translation>Das CD-Abbild %1 enthält keinen Titel: seine Datendatei %2 endet vor dem ersten Titel</translation>
    </message>
</context>
<context>
    <name>encodefile</name>
    <message>
        <source>encoded</source>
        <translation>kodiert</translation>
    </message>
    <message>
        <source>File not found...</source>
        <translation>Datei nicht gefunden...</translation>
    </message>
    <message>
        <source>Critical Error</source>
        <translation>Kritischer Fehler</translation>
    </message>
</context>
<context>
    <name>errhandler</name>
    <message>
        <source>Unknown (&amp;H%1)</source>
        <translation>Unbekannt (&amp;H%1)</translation>
    </message>
    <message>
        <source>Error %1 (%2): %3</source>
        <translation>Fehler %1 (%2): %3</translation>
    </message>
</context>
<context>
    <name>filedeletion</name>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this file?

</source>
        <translation>Möchten Sie diese Datei wirklich löschen?

</translation>
    </message>
</context>
<context>
    <name>frmPlayList</name>
    <message>
        <source>Write the tag anyway?</source>
        <translation>Das Tag trotzdem schreiben?</translation>
    </message>
    <message>
        <source>Write tag</source>
        <translation>Tag schreiben</translation>
    </message>
    <message>
        <source>%1 was copied to %2, but the original cannot be removed: %3</source>
        <translation>%1 wurde nach %2 kopiert, aber das Original kann nicht entfernt werden: %3</translation>
    </message>
    <message>
        <source>File contains no data</source>
        <translation>Datei enthält keine Daten</translation>
    </message>
    <message>
        <source>Playlist Editor</source>
        <translation>Wiedergabelisten-Editor</translation>
    </message>
    <message>
        <source>MP3 PlayList </source>
        <translation>MP3-Wiedergabeliste </translation>
    </message>
    <message>
        <source>Add to PlayList</source>
        <translation>Zur Wiedergabeliste hinzufügen</translation>
    </message>
    <message>
        <source>Add to Playlist</source>
        <translation>Zur Wiedergabeliste hinzufügen</translation>
    </message>
    <message>
        <source>Delist</source>
        <translation>Austragen</translation>
    </message>
    <message>
        <source>Remove File from PlayList</source>
        <translation>Datei aus Wiedergabeliste entfernen</translation>
    </message>
    <message>
        <source>Rename File</source>
        <translation>Datei umbenennen</translation>
    </message>
    <message>
        <source>Delete  File</source>
        <translation>Datei  löschen</translation>
    </message>
    <message>
        <source>Delete File</source>
        <translation>Datei löschen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Click on a file to add it to the Files List</source>
        <translation>Klicken Sie auf eine Datei, um sie der Dateiliste hinzuzufügen</translation>
    </message>
    <message>
        <source>MP3 Playlist Editor</source>
        <translation>MP3-Wiedergabelisten-Editor</translation>
    </message>
    <message>
        <source>Currently editing this file</source>
        <translation>Diese Datei wird gerade bearbeitet</translation>
    </message>
    <message>
        <source>Choose a file</source>
        <translation>Datei wählen</translation>
    </message>
    <message>
        <source>Read header</source>
        <translation>Kopf lesen</translation>
    </message>
    <message>
        <source>Read Header</source>
        <translation>Kopf lesen</translation>
    </message>
    <message>
        <source> Write tag</source>
        <translation> Tag schreiben</translation>
    </message>
    <message>
        <source>Header Info</source>
        <translation>Kopfdaten</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Select Music file</source>
        <translation>Musikdatei wählen</translation>
    </message>
    <message>
        <source>WAV, MP3, MID (*.wav *.mp3 *.mid *.WAV *.MP3 *.MID)</source>
        <translation>WAV, MP3, MID (*.wav *.mp3 *.mid *.WAV *.MP3 *.MID)</translation>
    </message>
    <message>
        <source> bytes</source>
        <translation> Bytes</translation>
    </message>
    <message>
        <source>: tags are written into MP3 files only; this file is left as it is.</source>
        <translation>: Tags werden nur in MP3-Dateien geschrieben; diese Datei bleibt, wie sie ist.</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The filename you picked already exists. Do you want to overwrite the existing file?</source>
        <translation>Der gewählte Dateiname existiert bereits. Möchten Sie die vorhandene Datei überschreiben?</translation>
    </message>
    <message>
        <source> has been Deleted</source>
        <translation> wurde gelöscht</translation>
    </message>
    <message>
        <source>PlayList</source>
        <translation>Wiedergabeliste</translation>
    </message>
</context>
<context>
    <name>frmpopup</name>
    <message>
        <source>Popup</source>
        <translation>Popup</translation>
    </message>
    <message>
        <source>&amp;Stop Conversion</source>
        <translation>Umwandlung &amp;stoppen</translation>
    </message>
    <message>
        <source>&amp;Restore Control panel</source>
        <translation>Bedienfeld &amp;wiederherstellen</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>S&amp;hutdown program</source>
        <translation>Programm &amp;beenden</translation>
    </message>
</context>
<context>
    <name>id3tag</name>
    <message>
        <source>cannot be opened</source>
        <translation>kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>cannot be written</source>
        <translation>kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>not an MPEG audio file</source>
        <translation>keine MPEG-Audiodatei</translation>
    </message>
    <message>
        <source>the ID3v2 tag could not be saved</source>
        <translation>das ID3v2-Tag konnte nicht gespeichert werden</translation>
    </message>
    <message>
        <source>the ID3v2 tag could not be written whole; the file may have lost audio</source>
        <translation>das ID3v2-Tag konnte nicht vollständig geschrieben werden; die Datei hat womöglich Audio verloren</translation>
    </message>
</context>
<context>
    <name>library::MirrorJob</name>
    <message>
        <source>%1: the older output cannot be removed (%2)</source>
        <translation>%1: die ältere Ausgabe kann nicht entfernt werden (%2)</translation>
    </message>
    <message>
        <source>%1: changed or went away since the run began</source>
        <translation>%1: seit Beginn des Laufs geändert oder verschwunden</translation>
    </message>
    <message>
        <source>%1: the name was taken by another file while the output was written</source>
        <translation>%1: der Name wurde von einer anderen Datei belegt, während die Ausgabe geschrieben wurde</translation>
    </message>
    <message>
        <source>%1: changed while it was read; it is made again on the next run</source>
        <translation>%1: beim Lesen geändert; es wird beim nächsten Lauf neu erzeugt</translation>
    </message>
    <message>
        <source>%1: the cover image %2 changed while it was read; the file is made again on the next run</source>
        <translation>%1: das Coverbild %2 änderte sich beim Lesen; die Datei wird beim nächsten Lauf neu erstellt</translation>
    </message>
</context>
<context>
    <name>mbdiscid</name>
    <message>
        <source>The disc holds no audio track</source>
        <translation>Die CD enthält keinen Audiotitel</translation>
    </message>
    <message>
        <source>Tracks %1 to %2 are not tracks of an audio disc</source>
        <translation>Die Titel %1 bis %2 sind keine Titel einer Audio-CD</translation>
    </message>
    <message>
        <source>libdiscid has no memory</source>
        <translation>libdiscid hat keinen Speicher</translation>
    </message>
    <message>
        <source>The table of contents is refused: %1</source>
        <translation>Das Inhaltsverzeichnis wird abgelehnt: %1</translation>
    </message>
</context>
<context>
    <name>modakrip32</name>
    <message>
        <source>Subscript out of range</source>
        <translation>Index außerhalb des Bereichs</translation>
    </message>
    <message>
        <source>An error was returned by the ASPI manager: %1.</source>
        <translation>Der ASPI-Manager meldete einen Fehler: %1.</translation>
    </message>
</context>
<context>
    <name>modlame</name>
    <message>
        <source>No Error</source>
        <translation>Kein Fehler</translation>
    </message>
    <message>
        <source>Invalid format</source>
        <translation>Ungültiges Format</translation>
    </message>
    <message>
        <source>Invalid format parameters</source>
        <translation>Ungültige Formatparameter</translation>
    </message>
    <message>
        <source>No more handles</source>
        <translation>Keine Handles mehr</translation>
    </message>
    <message>
        <source>Invalid handle</source>
        <translation>Ungültiges Handle</translation>
    </message>
    <message>
        <source>Buffer too small</source>
        <translation>Puffer zu klein</translation>
    </message>
</context>
<context>
    <name>mounttable</name>
    <message>
        <source>Removable drive</source>
        <translation>Wechsellaufwerk</translation>
    </message>
    <message>
        <source>Fixed drive</source>
        <translation>Festplatte</translation>
    </message>
    <message>
        <source>Network drive</source>
        <translation>Netzlaufwerk</translation>
    </message>
    <message>
        <source>CD-ROM drive</source>
        <translation>CD-ROM-Laufwerk</translation>
    </message>
</context>
<context>
    <name>mp3fileencoder</name>
    <message>
        <source>%1: only PCM (8-, 16-, 24- or 32-bit) or floating-point (32- or 64-bit) audio in one or two channels can be encoded (this file holds %2-bit audio in %3 channels, format %4)</source>
        <translation>%1: nur PCM- (8, 16, 24 oder 32 Bit) oder Gleitkomma-Audio (32 oder 64 Bit) in einem oder zwei Kanälen kann kodiert werden (diese Datei enthält %2-Bit-Audio in %3 Kanälen, Format %4)</translation>
    </message>
    <message>
        <source>%1: the file holds no audio to encode</source>
        <translation>%1: die Datei enthält kein Audio zum Kodieren</translation>
    </message>
</context>
<context>
    <name>mp3info</name>
    <message>
        <source>%1: cannot be opened: %2</source>
        <translation>%1: kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>not an MPEG-1 Layer III file: its frames are %1 at %2 Hz (only MPEG-1 Layer III files are measured)</source>
        <translation>keine MPEG-1-Layer-III-Datei: ihre Frames sind %1 bei %2 Hz (nur MPEG-1-Layer-III-Dateien werden vermessen)</translation>
    </message>
    <message>
        <source>no MPEG-1 Layer III frame starts within the first 5,000 bytes</source>
        <translation>in den ersten 5.000 Bytes beginnt kein MPEG-1-Layer-III-Frame</translation>
    </message>
    <message>
        <source>only MPEG-1 Layer I, II and III headers are measured</source>
        <translation>nur Köpfe von MPEG-1 Layer I, II und III werden vermessen</translation>
    </message>
    <message>
        <source>the Xing header gives no frame count</source>
        <translation>der Xing-Kopf nennt keine Frame-Anzahl</translation>
    </message>
    <message>
        <source>a VBR file with the reserved sampling frequency index</source>
        <translation>eine VBR-Datei mit dem reservierten Abtastraten-Index</translation>
    </message>
    <message>
        <source>the Xing header counts %1 frames, more than the file&apos;s %2 bytes of audio can hold: it is damaged</source>
        <translation>der Xing-Kopf zählt %1 Frames, mehr als die %2 Bytes Audio der Datei fassen können: er ist beschädigt</translation>
    </message>
    <message>
        <source>the file is too large</source>
        <translation>die Datei ist zu groß</translation>
    </message>
    <message>
        <source>an average bit rate of %1 kbit/s: the Xing frame count is damaged</source>
        <translation>eine mittlere Bitrate von %1 kbit/s: die Xing-Frame-Anzahl ist beschädigt</translation>
    </message>
    <message>
        <source>the frame header&apos;s bitrate index 15 is not allowed</source>
        <translation>der Bitraten-Index 15 im Frame-Kopf ist nicht erlaubt</translation>
    </message>
    <message>
        <source>a free-format frame has no bit rate to measure</source>
        <translation>ein Free-Format-Frame hat keine messbare Bitrate</translation>
    </message>
</context>
<context>
    <name>musicbrainz</name>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Catalogue number</source>
        <translation>Katalognummer</translation>
    </message>
    <message>
        <source>Barcode</source>
        <translation>Barcode</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Discs</source>
        <translation>CDs</translation>
    </message>
    <message>
        <source>There is no release %1: MusicBrainz knows %2 releases of this disc, numbered from 1.</source>
        <translation>Es gibt keine Veröffentlichung %1: MusicBrainz kennt %2 Veröffentlichungen dieser CD, ab 1 nummeriert.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is neither the number of a release nor the MusicBrainz identifier of a release of this disc (it has %2 releases).</source>
        <translation>&quot;%1&quot; ist weder die Nummer noch die MusicBrainz-ID einer Veröffentlichung dieser CD (sie hat %2 Veröffentlichungen).</translation>
    </message>
</context>
<context>
    <name>musicbrainz::DiscLookup</name>
    <message>
        <source>The MusicBrainz service at %1 answered with more than %2 MB, which is no disc&apos;s information; the answer was not read</source>
        <translation>Der MusicBrainz-Dienst unter %1 antwortete mit mehr als %2 MB, was keine CD-Information ist; die Antwort wurde nicht gelesen</translation>
    </message>
    <message>
        <source>The MusicBrainz service at %1 did not answer within %2 seconds</source>
        <translation>Der MusicBrainz-Dienst unter %1 antwortete nicht innerhalb von %2 Sekunden</translation>
    </message>
    <message>
        <source>The MusicBrainz service at %1 %2</source>
        <translation>Der MusicBrainz-Dienst unter %1 %2</translation>
    </message>
    <message>
        <source>The MusicBrainz service at %1 cannot be reached: %2</source>
        <translation>Der MusicBrainz-Dienst unter %1 ist nicht erreichbar: %2</translation>
    </message>
    <message>
        <source>The MusicBrainz service at %1 gave no whole answer: %2</source>
        <translation>Der MusicBrainz-Dienst unter %1 gab keine vollständige Antwort: %2</translation>
    </message>
    <message>
        <source>The answer of the MusicBrainz service at %1 is cut short (%2)</source>
        <translation>Die Antwort des MusicBrainz-Dienstes unter %1 ist abgeschnitten (%2)</translation>
    </message>
    <message>
        <source>The MusicBrainz service at %1 does not answer as a web server does: %2</source>
        <translation>Der MusicBrainz-Dienst unter %1 antwortet nicht wie ein Webserver: %2</translation>
    </message>
    <message>
        <source>The MusicBrainz service at %1 is busy; try again in a moment</source>
        <translation>Der MusicBrainz-Dienst unter %1 ist ausgelastet; versuchen Sie es gleich noch einmal</translation>
    </message>
    <message>
        <source>The MusicBrainz service at %1 answered HTTP %2 %3</source>
        <translation>Der MusicBrainz-Dienst unter %1 antwortete HTTP %2 %3</translation>
    </message>
</context>
<context>
    <name>nametemplate</name>
    <message>
        <source>The field opened at position %1 is never closed with &quot;}&quot;.</source>
        <translation>Das an Position %1 geöffnete Feld wird nie mit &quot;}&quot; geschlossen.</translation>
    </message>
    <message>
        <source>There is no field {%1} (at position %2). The fields are {albumartist}, {artist}, {album}, {year}, {disc}, {discs}, {track}, {title} and {isrc}.</source>
        <translation>Es gibt kein Feld {%1} (an Position %2). Die Felder sind {albumartist}, {artist}, {album}, {year}, {disc}, {discs}, {track}, {title} und {isrc}.</translation>
    </message>
    <message>
        <source>The &quot;}&quot; at position %1 closes no field.</source>
        <translation>Die &quot;}&quot; an Position %1 schließt kein Feld.</translation>
    </message>
    <message>
        <source>The &quot;[&quot; at position %1 is inside the brackets opened at position %2; brackets cannot be nested.</source>
        <translation>Die &quot;[&quot; an Position %1 steht in den an Position %2 geöffneten Klammern; Klammern können nicht verschachtelt werden.</translation>
    </message>
    <message>
        <source>The &quot;]&quot; at position %1 closes no &quot;[&quot;.</source>
        <translation>Die &quot;]&quot; an Position %1 schließt keine &quot;[&quot;.</translation>
    </message>
    <message>
        <source>The &quot;[&quot; at position %1 is never closed with &quot;]&quot;.</source>
        <translation>Die &quot;[&quot; an Position %1 wird nie mit &quot;]&quot; geschlossen.</translation>
    </message>
</context>
<context>
    <name>offsetfind</name>
    <message>
        <source>Track %1 is not an audio track of the disc</source>
        <translation>Titel %1 ist kein Audiotitel der CD</translation>
    </message>
    <message>
        <source>A margin cannot be negative</source>
        <translation>Ein Rand kann nicht negativ sein</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>The disc could not be read at sector %1</source>
        <translation>Die CD konnte bei Sektor %1 nicht gelesen werden</translation>
    </message>
    <message>
        <source>No audible track of the disc has rips in the record</source>
        <translation>Kein hörbarer Titel der CD hat Einträge in der Datenbank</translation>
    </message>
</context>
<context>
    <name>options</name>
    <message>
        <source>read mode &apos;%1&apos; is not secure, fast or paranoid</source>
        <translation>Lesemodus &apos;%1&apos; ist nicht secure, fast oder paranoid</translation>
    </message>
</context>
<context>
    <name>paths</name>
    <message>
        <source>Error While Attempting to Create Directories on Destination Drive.</source>
        <translation>Fehler beim Anlegen von Verzeichnissen auf dem Ziellaufwerk.</translation>
    </message>
</context>
<context>
    <name>readmode</name>
    <message>
        <source>Fast, verified</source>
        <translation>Schnell, geprüft</translation>
    </message>
    <message>
        <source>Paranoid</source>
        <translation>Paranoid</translation>
    </message>
    <message>
        <source>Secure</source>
        <translation>Sicher</translation>
    </message>
</context>
<context>
    <name>readoffset</name>
    <message>
        <source>There is no such drive.</source>
        <translation>Dieses Laufwerk gibt es nicht.</translation>
    </message>
    <message>
        <source>A read offset is at most %1 samples either way.</source>
        <translation>Ein Leseversatz beträgt höchstens %1 Samples in jede Richtung.</translation>
    </message>
    <message>
        <source>The settings file %1 cannot be written.</source>
        <translation>Die Einstellungsdatei %1 kann nicht geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>ripcue</name>
    <message>
        <source>The cue sheet could not be written (%1)</source>
        <translation>Das Cue-Sheet konnte nicht geschrieben werden (%1)</translation>
    </message>
</context>
<context>
    <name>riplog</name>
    <message>
        <source>The rip log could not be written (%1); no log was kept</source>
        <translation>Das Auslese-Protokoll konnte nicht geschrieben werden (%1); kein Protokoll wurde behalten</translation>
    </message>
</context>
<context>
    <name>ripverify</name>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source> and </source>
        <translation> und </translation>
    </message>
    <message>
        <source>no track of the disc has its length</source>
        <translation>kein Titel der CD hat ihre Länge</translation>
    </message>
    <message>
        <source>the disc has no track %1, the number the file&apos;s name ends with (its tracks are %2 to %3); tracks %4 have the file&apos;s length</source>
        <translation>die CD hat keinen Titel %1, die Nummer, auf die der Dateiname endet (ihre Titel sind %2 bis %3); die Titel %4 haben die Länge der Datei</translation>
    </message>
    <message>
        <source>track %1, the number the file&apos;s name ends with, is not of the file&apos;s length; tracks %2 are</source>
        <translation>Titel %1, die Nummer, auf die der Dateiname endet, hat nicht die Länge der Datei; die Titel %2 haben sie</translation>
    </message>
    <message>
        <source>tracks %1 of the disc have its length; name the file after its track (&quot;...-3.wav&quot;)</source>
        <translation>die Titel %1 der CD haben ihre Länge; benennen Sie die Datei nach ihrem Titel (&quot;...-3.wav&quot;)</translation>
    </message>
    <message>
        <source>not a CD track: CD-format audio (44,100 Hz, 16-bit, stereo) of whole sectors is needed</source>
        <translation>kein CD-Titel: Audio im CD-Format (44.100 Hz, 16 Bit, stereo) aus ganzen Sektoren wird gebraucht</translation>
    </message>
    <message>
        <source>the file could not be read: </source>
        <translation>die Datei konnte nicht gelesen werden: </translation>
    </message>
    <message>
        <source>the disc could not be read at sector %1</source>
        <translation>die CD konnte bei Sektor %1 nicht gelesen werden</translation>
    </message>
</context>
<context>
    <name>singleinstance::Server</name>
    <message>
        <source>no private runtime folder</source>
        <translation>kein privater Laufzeitordner</translation>
    </message>
    <message>
        <source>%1 cannot be made private</source>
        <translation>%1 kann nicht privat gemacht werden</translation>
    </message>
</context>
<context>
    <name>tagwriter</name>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Cannot write the tag to %1: %2</source>
        <translation>Das Tag kann nicht in %1 geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>wavreader</name>
    <message>
        <source>%1: cannot be opened: %2</source>
        <translation>%1: kann nicht geöffnet werden: %2</translation>
    </message>
</context>
</TS>

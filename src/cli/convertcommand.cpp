// mp3vortan-cli convert: audio files of any format the program reads to one output format.
#include "cli/commands.h"
#include "cli/commandsupport.h"

#include "engine/core/settings.h"
#include "engine/pipeline/encoder.h"

#include <QCoreApplication>

namespace cli {

int convert(const Options& options, Interruption& interruption) {
    if (options.mirror)
        return mirror(options, interruption);
    LoadSettings(); // MP3's bitrate and quality default to the window's
    const std::optional<QString> destination = settleDestination(options);
    if (!destination)
        return 1;
    Batch batch =
        fileBatch(options, ConversionKind::AudioConvert, *destination,
                  [&options](ConversionSettings& settings) {
                      settings.convertTo = *options.convertTo;
                      settings.formats.mp3 = settings.encoder;
                      settings.formats.flacLevel =
                          options.convertFlacLevel.value_or(pipeline::defaultFlacLevel);
                      if (settings.convertTo == pipeline::OutputFormat::Opus)
                          settings.formats.opusBitrateKbps =
                              options.convertBitrateKbps.value_or(pipeline::defaultOpusBitrateKbps);
                  });
    batch.verb = QCoreApplication::translate("cli::Convert", "converted");
    return runBatch(std::move(batch), interruption).status;
}

} // namespace cli

#include "engine/prefs/mixer.h"

#include "engine/platform/error.h"

#include <alsa/asoundlib.h>

#include <memory>

namespace {

const QString errorSource = QStringLiteral("Mixer");

// alsa-lib prints its own failures (a missing card, an undefined device) on stderr; the
// mixer's failures are not reported, so they are silenced while we call it. (Its per-thread
// handler cannot be reached from C++: alsa-lib declares it without C linkage.)
class QuietAlsa {
  public:
    QuietAlsa() : previous_(snd_lib_error) { snd_lib_error_set_handler(&ignore); }
    ~QuietAlsa() { snd_lib_error_set_handler(previous_); }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

  private:
    static void ignore(const char*, int, const char*, int, const char*, ...) {}
    snd_lib_error_handler_t previous_;
};

struct MixerDeleter {
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerDeleter>;

struct SelemIdDeleter {
    void operator()(snd_mixer_selem_id_t* id) const { snd_mixer_selem_id_free(id); }
};
using SelemId = std::unique_ptr<snd_mixer_selem_id_t, SelemIdDeleter>;

VortanError alsaError(int code) {
    return VortanError(-code, errorSource, QString::fromUtf8(snd_strerror(code)));
}

// The simple mixer of `device`, with its elements loaded.
Result<MixerHandle> openMixer(const QString& device) {
    snd_mixer_t* raw = nullptr;
    if (const int rc = snd_mixer_open(&raw, 0); rc < 0)
        return alsaError(rc);
    MixerHandle mixer(raw);
    const QByteArray name = device.toLocal8Bit();
    if (const int rc = snd_mixer_attach(raw, name.constData()); rc < 0)
        return alsaError(rc);
    if (const int rc = snd_mixer_selem_register(raw, nullptr, nullptr); rc < 0)
        return alsaError(rc);
    if (const int rc = snd_mixer_load(raw); rc < 0)
        return alsaError(rc);
    return mixer;
}

// The element `element` (number `index`) when it has the control `type`; owned by `mixer`.
snd_mixer_elem_t* findControl(snd_mixer_t* mixer, const QString& element, unsigned index,
                              MixerControlType type) {
    snd_mixer_selem_id_t* rawId = nullptr;
    if (snd_mixer_selem_id_malloc(&rawId) < 0)
        return nullptr;
    const SelemId id(rawId);
    const QByteArray name = element.toLatin1();
    snd_mixer_selem_id_set_name(rawId, name.constData());
    snd_mixer_selem_id_set_index(rawId, index);
    snd_mixer_elem_t* elem = snd_mixer_find_selem(mixer, rawId);
    if (!elem)
        return nullptr;
    switch (type) {
    case MixerControlType::Mute:
        return snd_mixer_selem_has_playback_switch(elem) ? elem : nullptr;
    }
    return nullptr;
}

void setCdLineMuted(bool muted) {
    MixerControlRecord record;
    if (FindCdMuteControl(defaultMixerDevice, cdLineElement, MixerControlType::Mute, record))
        SetMixerControl(defaultMixerDevice, record, muted ? 1 : 0);
}

} // namespace

bool FindCdMuteControl(const QString& device, const QString& element, MixerControlType type,
                       MixerControlRecord& record) {
    const QuietAlsa quiet;
    const Result<MixerHandle> mixer = openMixer(device);
    if (!mixer)
        return false;
    if (!findControl(mixer.value().get(), element, 0, type))
        return false;
    record = MixerControlRecord{element, 0, type};
    return true;
}

bool SetMixerControl(const QString& device, const MixerControlRecord& record, std::int32_t value) {
    const QuietAlsa quiet;
    const Result<MixerHandle> mixer = openMixer(device);
    if (!mixer)
        return false;
    snd_mixer_elem_t* elem =
        findControl(mixer.value().get(), record.element, record.elementIndex, record.type);
    if (!elem)
        return false;
    // A playback switch is on when the line sounds: muted is the switch off.
    return snd_mixer_selem_set_playback_switch_all(elem, value != 0 ? 0 : 1) == 0;
}

void MuteCdLine() {
    setCdLineMuted(true);
}

void UnmuteCdLine() {
    setCdLineMuted(false);
}

// Input channel selection, the user's choice, the active-sound search and the output volume.
#include <string>
#include <vector>

#include "sound/sound.h"

namespace korel {

namespace {

const char* const kLocated = "Sound was successfully located.";
const char* const kLocatedOther =
    "Current sound channel inactive! However, program successfully located active sound channel.";
const char* const kNotLocated =
    "Unable to find active sound channel! Try clicking the \"Search\" button in the Sound Input "
    "panel.";
const char* const kNotPlaying = "Search does not work unless playing is turned on!";
const char* const kCannotRecord = "Can't record from that channel!";

constexpr uint16_t kFullVolume = 65535;
constexpr uint32_t kVolumePollMs = 500;

// The line of `lines` that stands for channel n: by type when the type is unique among the
// channels, otherwise by name. -1 when there is none.
int matchLine(const SoundDevices& d, uint8_t n, const std::vector<MixerLine>& lines) {
    const InputChannel& ch = d.channels[n];
    int sameType = 0;
    for (int i = 0; i < d.channelCount; ++i) {
        if (d.channels[size_t(i)].type == ch.type) ++sameType;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (sameType == 1 ? lines[i].type == ch.type : lineDisplayName(lines[i]) == ch.name) {
            return int(i);
        }
    }
    return -1;
}

// Reports a mixer that cannot be opened during start-up's set-up as the fatal failure `name`
// (later the call only fails); true when the call worked.
bool mixerOk(Sound& sound, MixerStatus st, const char* name) {
    if (st == MixerStatus::NoMixer && sound.fatalFailure.empty() && !sound.devices.setUpDone) {
        sound.fatalFailure = name;
    }
    return st == MixerStatus::Ok;
}

// Unmutes a line; a line that reads unmuted is muted first, so that the driver sees a change.
bool unmute(Sound& sound, MixerSide side, unsigned mixer, int line, const char* fatal) {
    bool muted = false;
    if (!mixerOk(sound, sound.input->lineMute(side, mixer, line, muted), fatal)) return false;
    if (!muted && !mixerOk(sound, sound.input->setLineMute(side, mixer, line, true), fatal)) {
        return false;
    }
    return mixerOk(sound, sound.input->setLineMute(side, mixer, line, false), fatal);
}

bool selectPlaybackSide(Sound& sound, uint8_t n) {
    SoundDevices& d = sound.devices;
    std::vector<MixerLine> lines;
    int code = 0;
    if (!mixerOk(sound,
                 sound.input->destinationLines(MixerSide::Playback, d.playbackMixer, lines, code),
                 "MixerOutChannel")) {
        return false;
    }
    int line = matchLine(d, n, lines);
    if (line < 0) return false;
    return unmute(sound, MixerSide::Playback, d.playbackMixer, line, "MixerOutVolume");
}

bool selectRecordingSide(Sound& sound, uint8_t n) {
    SoundDevices& d = sound.devices;
    std::vector<MixerLine> lines;
    int code = 0;
    if (!mixerOk(sound,
                 sound.input->destinationLines(MixerSide::Recording, d.recordMixer, lines, code),
                 "MixerInChannel")) {
        return false;
    }
    int line = matchLine(d, n, lines);
    if (line < 0) return false;
    InputSelector sel;
    if (!mixerOk(sound, sound.input->inputSelector(d.recordMixer, sel), "MixerInChannel")) {
        return false;
    }
    const std::string name = lineDisplayName(lines[size_t(line)]);
    int item = -1;
    for (size_t i = 0; i < sel.items.size(); ++i) {
        if (sel.items[i] == name) {
            item = int(i);
            break;
        }
    }
    if (item < 0) return false;
    std::vector<bool> values(sel.items.size(), false);
    if (sel.multipleSelect) {
        for (size_t i = 0; i < values.size() && i < sel.values.size(); ++i)
            values[i] = sel.values[i];
    }
    values[size_t(item)] = true;
    if (!mixerOk(sound, sound.input->setInputSelector(d.recordMixer, values), "MixerInChannel")) {
        return false;
    }
    if (!mixerOk(sound,
                 sound.input->setLineVolume(MixerSide::Recording, d.recordMixer, line, kFullVolume),
                 "MixerInVolume")) {
        return false;
    }
    return unmute(sound, MixerSide::Recording, d.recordMixer, line, "MixerInVolume");
}

// The channel a choice or a search is remembered as.
uint8_t& rememberedChannel(Sound& sound) {
    SoundDevices& d = sound.devices;
    if (sound.edition == Edition::CD && d.musicFromCd) return d.cdChannel;
    return d.externalChannel;
}

void endSearch(SoundDevices& d) {
    d.searchMode = kSearchNone;
    d.searchChannel = kNoSearch;
}

}  // namespace

bool selectInputChannel(Sound& sound, uint8_t n) {
    SoundDevices& d = sound.devices;
    d.currentChannel = n;
    if (!sound.input || n >= d.channelCount) return false;
    if (!selectPlaybackSide(sound, n)) return false;
    return selectRecordingSide(sound, n);
}

void chooseInputChannel(Sound& sound, Services& services, uint8_t n) {
    if (!selectInputChannel(sound, n)) {
        if (sound.fatalFailure.empty()) services.showAlert(kCannotRecord);
        return;
    }
    rememberedChannel(sound) = n;
}

void startSearch(Sound& sound, Services& services, bool playing) {
    if (!playing) {
        services.showAlert(kNotPlaying);
        return;
    }
    sound.devices.searchMode = kSearchByUser;
    sound.devices.searchChannel = kSearchStarting;
}

void cdStarted(Sound& sound) {
    SoundDevices& d = sound.devices;
    if (!d.searchArmed) return;
    d.searchArmed = false;
    d.searchMode = kSearchAutomatic;
    d.searchChannel = kSearchStarting;
}

void searchStep(Sound& sound, Services& services, uint32_t songTime) {
    SoundDevices& d = sound.devices;
    if (d.searchChannel == kNoSearch) return;
    const uint32_t h = songTime / 500;
    const uint8_t level = sound.listen.soundLevel;
    // An automatic search first listens for 4 seconds to the channel already selected.
    if (d.searchMode < kSearchByUser && h < 8) {
        if (d.searchMode == kSearchAutomatic && level >= 3) endSearch(d);
        return;
    }
    if (level > 6) {
        if (d.searchChannel < kSearchStarting) {
            rememberedChannel(sound) = d.searchChannel;
            services.showAlert(d.searchMode == kSearchByUser ? kLocated : kLocatedOther);
            d.inputPanelChanged = true;
        } else if (d.searchMode == kSearchByUser) {
            services.showAlert(kLocated);
        }
        endSearch(d);
        return;
    }
    for (;;) {
        d.searchChannel = uint8_t(d.searchChannel + 1);
        if (d.searchChannel >= d.channelCount) {
            services.showAlert(kNotLocated);
            selectInputChannel(sound, rememberedChannel(sound));
            endSearch(d);
            return;
        }
        if (selectInputChannel(sound, d.searchChannel)) return;
        if (!sound.fatalFailure.empty()) {
            endSearch(d);
            return;
        }
    }
}

bool readOutputVolume(Sound& sound) {
    uint16_t value = 0;
    if (!sound.input ||
        sound.input->outputVolume(sound.devices.playbackMixer, value) != MixerStatus::Ok) {
        return false;
    }
    const uint8_t v = uint8_t(value / 257);
    const bool changed = v != sound.devices.outputVolume;
    sound.devices.outputVolume = v;
    return changed;
}

void setOutputVolume(Sound& sound, uint8_t volume) {
    if (!sound.input) return;
    sound.input->setOutputVolume(sound.devices.playbackMixer, uint16_t(volume * 257));
}

bool followOutputVolume(Sound& sound, uint32_t tick) {
    if (!sound.input) return false;
    SoundDevices& d = sound.devices;
    const uint32_t changes = sound.input->changeCount();
    if (changes == d.seenChanges && tick - d.lastVolumePoll < kVolumePollMs) return false;
    d.seenChanges = changes;
    d.lastVolumePoll = tick;
    return readOutputVolume(sound);
}

}  // namespace korel

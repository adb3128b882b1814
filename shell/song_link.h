// What the program and the controls need from the player of the CD or MP3 edition: the songs,
// their raves, the transport and what the song fields show. The LIVE edition has none.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "raves/rave_file.h"
#include "shell/rave_link.h"

namespace korel {

class SongLink {
public:
    virtual ~SongLink() = default;

    virtual RaveLink& raves() = 0;
    // The current song's rave fields, and their change kept in its list entry (saved).
    virtual SongRaveFields raveFields() = 0;
    virtual void keepRaveFields(const SongRaveFields& fields) = 0;
    // The identity block a rave file of this edition carries.
    virtual std::vector<uint8_t> raveIdentity() = 0;
    // A rave was attached, detached or deleted: the song starts again with it (or without).
    virtual void restartSong() = 0;

    // Start-up: the first song plays; on this first start the last session is restored with
    // progress on the splash.
    virtual void startFirstSong(const std::function<void(const char*)>& progress) = 0;
    // Once per frame tick, before the animation's.
    virtual void frame() = 0;
    // Quitting: the music stops at once; the animation's closing goes on without it.
    virtual void silence() = 0;
    // The preferences keep what the player must find again at the next start.
    virtual void rememberList() = 0;

    // --- The transport, as the top row and the keys use it ----------------------------------
    virtual void playPause() = 0;
    virtual void stop() = 0;
    virtual void step(int direction) = 0;
    // A typed track number (from 1); false when there is no such track.
    virtual bool goTo(int number) = 0;
    // The song popup's listed entry `index` (from 0) plays.
    virtual void playListed(size_t index) = 0;
    // Load (MP3: a music file) or Eject (CD).
    virtual void loadOrEject() = 0;
    virtual bool beginWind(int direction) = 0;
    virtual void windPass() = 0;
    virtual void endWind() = 0;

    // --- What the song fields show ------------------------------------------------------------
    virtual bool playing() = 0;
    virtual bool paused() = 0;
    virtual std::string songText() = 0;
    // 1-based; 0 when there is no song or track.
    virtual int trackNumber() = 0;
    virtual std::string listName() = 0;
    virtual uint32_t songTime() = 0;
    virtual uint32_t songLength() = 0;
    virtual std::vector<std::string> songNames() = 0;
};

}  // namespace korel

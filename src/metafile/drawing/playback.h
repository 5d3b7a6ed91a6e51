#pragma once

#include "base/result.h"

#include <cstdint>
#include <optional>

namespace metafile {

// What a playback did. Skipping a record is no failure: the records after it still play, as
// they do in GDI; the first one skipped is kept to say why a picture looks incomplete.
struct Playback
{
    // Records played, the skipped ones among them.
    int64_t records = 0;
    // The first record skipped: why, where it starts in the file and its type as the code. A
    // record too broken to walk past ends the playback, and is reported here the same way.
    std::optional<Error> firstSkip;
    // The playback's work ran out before its last record: what was drawn by then stays.
    bool stoppedShort = false;
};

} // namespace metafile

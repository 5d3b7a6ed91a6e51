#pragma once

#include "platform/metafile/drawing/bytereader.h"
#include "platform/result.h"

// How the record handlers of both formats say why they skip a record. The player names the
// record and where it starts; a handler gives only the reason.
namespace metafile {

inline Error skip(const char *why)
{
    return Error{QString::fromLatin1(why)};
}

// Done when the record held every field read from it and good holds; otherwise why not. A
// record too short for its fields reads zeros past its end, which some handlers still play.
inline Status complete(const ByteReader &p, bool good = true, const char *why = nullptr)
{
    if (!p.ok())
        return skip("cut short");
    return good ? Status(Done{}) : Status(skip(why));
}

// The first of two outcomes that is a skip; both are worked out before it chooses.
inline Status firstSkip(const Status &first, const Status &second)
{
    return first.ok() ? second : first;
}

} // namespace metafile

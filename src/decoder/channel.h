#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

// The messages between the program and its decoder process. Both sides write fixed-size
// little-endian headers; the program parses what the decoder sends as hostile input.
//
//   program -> decoder   a request: load the bytes of a file into a slot, or render a part of
//                        the picture a slot holds; and for each read, the count of the bytes
//                        it put at the start of the shared block
//   decoder -> program   "ready" once, then for each request any number of reads of the
//                        file's bytes, and one reply; the reply's pixels are in shared memory
namespace channel {

// Where the decoder keeps a loaded picture between requests.
enum class Slot : uint32_t
{
    Sign = 0,
    Signboard = 1
};
constexpr uint32_t kSlots = 2;

enum class Kind : uint32_t
{
    Load = 1,   // the file's bytes are read on demand; renders part when it is not empty
    Render = 2, // renders part of the slot's picture
};

struct Request
{
    Kind kind = Kind::Load;
    Slot slot = Slot::Sign;
    // For a load: the only part its control can ever show, or null for the whole picture.
    QRect shown;
    // The part to render, in the picture's logical pixels, at the screen's ratio.
    QRect part;
    double ratio = 1.0;
    // For a load: the file's size.
    int64_t bytes = 0;
};

// The decoder's messages.
enum class Message : uint32_t
{
    Ready = 1,
    Read = 2,
    Reply = 3
};

struct Reply
{
    bool ok = false;
    QString message;         // why it failed
    QSize natural{0, 0};     // the picture's natural size, in logical pixels
    QSize pixels{0, 0};      // the rendered part in shared memory, 4 bytes a pixel, rows packed
    double pixelRatio = 1.0; // the rendered part's device pixel ratio
};

// A read of the file's bytes the decoder asks for; never longer than the shared block.
struct Read
{
    int64_t offset = 0;
    int64_t length = 0;
};

constexpr qsizetype kRequestBytes = 56;
constexpr qsizetype kMessageBytes = 40;
// Bounds on what a message may say; anything past them is a broken decoder.
constexpr int64_t kMaxReadLength = int64_t(4) << 20;
constexpr int kMaxMessageChars = 1024;
constexpr int kMaxNaturalSide = 1 << 20;
constexpr double kMaxRatio = 8.0;

QByteArray encode(const Request &request);
Result<Request> parseRequest(QByteArrayView header);

QByteArray encodeReady();
QByteArray encodeRead(const Read &read);
// The message's text follows the header.
QByteArray encode(const Reply &reply);

// One message from the decoder, parsed from the start of buffer.
struct Parsed
{
    Message kind = Message::Ready;
    Read read;
    Reply reply;
    qsizetype consumed = 0;
};
// Nothing when the buffer does not hold a whole message yet. A reply whose pixels would not fit
// in sharedBytes, a read past fileBytes, or any other malformed message is an error.
Result<std::optional<Parsed>> parseMessage(QByteArrayView buffer, int64_t sharedBytes,
                                           int64_t fileBytes);

} // namespace channel

#pragma once

#include "decoder/channel.h"
#include "decoder/pictureloader.h"

#include <array>
#include <optional>

class SharedBlock;

// The decoder process's work: it answers the program's requests one at a time, keeps the
// picture of each slot between them, and writes the pixels it renders to the shared block.
class DecoderService
{
public:
    explicit DecoderService(SharedBlock &pixels);
    // Answers requests until the program closes the channel.
    void run();

private:
    // False once the channel has broken.
    bool answer(const channel::Request &request);
    channel::Reply load(const channel::Request &request, bool &broken);
    channel::Reply render(const channel::Request &request);
    // In the test build, what a probe file asks for; nothing for a picture file.
    std::optional<channel::Reply> probe(QIODevice &file);
    // Asks the program for bytes of the file. It puts them at the start of the shared block,
    // which holds no pixels while a file is read, and answers with their count.
    qint64 fetch(qint64 offset, char *data, qint64 length);

    SharedBlock &m_pixels;
    std::array<std::optional<Picture>, channel::kSlots> m_held;
};

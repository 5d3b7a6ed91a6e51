#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <cstdint>
#include <memory>

class QProcess;

// The limits the operating system puts on the decoder process: a crash, a runaway allocation or
// an escape there must cost one picture, never the program or the user's files.
namespace sandbox {

// The decoder's data. A 6000 x 4000 signboard photo holds 92 MiB of pixels and, while it is
// decoded, its file's bytes and the reader's buffers; the toolkit takes some 20 MiB more. Far
// below any machine this runs on, and far above the 150 MB a whole program shows a picture in.
constexpr int64_t kMemoryLimit = int64_t(256) << 20;

// Called by the decoder itself once it is set up and before it reads any picture: from then on
// it writes no file, opens no connection, starts no program and reads nothing but what it needs
// to run and the system's fonts. Returns the protections that hold, in one line.
QString lockDown();

// The environment a decoder starts in: the program's, less the ways to the display and the
// session (the decoder draws off screen and talks to no one but the program).
QProcessEnvironment environment();

// What the program itself puts around a decoder it has started (on Windows, a job object that
// limits its memory and ends it with the program); nothing where the decoder limits itself.
class Confinement
{
public:
    Confinement();
    ~Confinement();
    Confinement(const Confinement &) = delete;
    Confinement &operator=(const Confinement &) = delete;
    // Before the process is handed any picture.
    void confine(QProcess &process);

private:
    struct Handles;
    std::unique_ptr<Handles> m_handles;
};

} // namespace sandbox

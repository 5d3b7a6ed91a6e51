// potero-decoder: decodes and plays the pictures of potero's files in a process of its own,
// under the operating system's limits. Only potero starts it: its requests come over the
// channel potero holds, never from a command line.

#include "decoder/decoderservice.h"
#include "platform/fonts.h"
#include "platform/sandbox.h"
#include "platform/sharedblock.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    if (argc != 4 || std::strcmp(argv[1], "--pixels") != 0) {
        std::fputs("potero-decoder: a part of potero, started by potero only\n", stderr);
        return 2;
    }
    bool number = false;
    const qint64 size = QByteArray(argv[3]).toLongLong(&number);
    auto pixels = number ? SharedBlock::attach(QString::fromLatin1(argv[2]), size)
                         : Result<SharedBlock>(Error{QStringLiteral("bad size")});
    if (!pixels) {
        std::fprintf(stderr, "potero-decoder: %s\n", qPrintable(pixels.error().message));
        return 2;
    }
    // The toolkit sees the program's name alone.
    int toolkitArgc = 1;
    QGuiApplication app(toolkitArgc, argv);
    fonts::installSubstitutes();
    const QString protections = sandbox::lockDown();
    std::fprintf(stderr, "potero-decoder: %s\n", qPrintable(protections));
    SharedBlock block = std::move(pixels).value();
    DecoderService service(block);
    service.run();
    return 0;
}

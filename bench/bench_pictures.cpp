// The sign folder's list and the sign pictures: listing a folder of 10,000 files with the
// program's list beside `ls -f` of the same folder, and loading a 52 x 32 sign picture.
//   bench_pictures [ROUNDS]
#include "decoder/pictureloader.h"
#include "platform/filelist.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSysInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFiles = 10000;

using Clock = std::chrono::steady_clock;

struct Figures
{
    double median;
    double best;
};

Figures measure(int rounds, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

void print(const char *what, Figures f)
{
    std::printf("  %-44s median %9.3f ms   best %9.3f ms\n", what, f.median, f.best);
}

// Mixed extensions (one in eight not a picture), mixed case and Japanese names.
void makeSignFolder(const QString &folder)
{
    const char *stems[] = {"方向幕%05d", "Sign%05d", "sign_%05d", "行先ＬＥＤ%05d"};
    const char *extensions[] = {"bmp", "BMP", "gif", "Jpg", "jpeg", "wmf", "EMF", "txt"};
    const QByteArray base = QFile::encodeName(folder) + '/';
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray name =
            QByteArray(stems[i % 4]).replace("%05d", QByteArray::number(i).rightJustified(5, '0')) +
            '.' + extensions[i % 8];
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            std::perror("open");
            std::exit(1);
        }
        ::close(fd);
    }
}

int readdirCount(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    int n = 0;
    while (::readdir(dir))
        ++n;
    ::closedir(dir);
    return n;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage signImage()
{
    QImage image(52, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 8; y < 24; ++y) {
        for (int x = 4; x < 48; ++x)
            image.setPixel(x, y, qRgb(200, 40 + x, 20 + y));
    }
    return image;
}

void listing(int rounds)
{
    QTemporaryDir dir;
    makeSignFolder(dir.path());
    const QByteArray native = QFile::encodeName(dir.path());
    const std::string ls = "ls -f '" + native.toStdString() + "' > /dev/null";

    FileList list;
    const auto listFolder = [&] {
        if (!list.setPath(dir.path()))
            std::exit(1);
    };
    listFolder(); // warms the folder's cache for every contender alike
    std::printf("listing %d files, %d of them pictures:\n", kFiles, int(list.count()));
    const Figures program = measure(rounds, listFolder);
    const Figures lsf = measure(rounds, [&] {
        if (std::system(ls.c_str()) != 0)
            std::exit(1);
    });
    const Figures bare = measure(rounds, [&] { readdirCount(native); });
    print("FileList::setPath", program);
    print("ls -f (a process of its own)", lsf);
    print("readdir alone, in process", bare);
    std::printf("  FileList / ls -f: %.2f (median)\n", program.median / lsf.median);
}

void decoding(int rounds)
{
    QTemporaryDir dir;
    const QImage sign = signImage();
    const struct
    {
        const char *what;
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"52 x 32 BMP, 24 bits", "sign24.bmp", encoded(sign, "BMP")},
        {"52 x 32 BMP, 8 bits", "sign8.bmp",
         encoded(sign.convertToFormat(QImage::Format_Indexed8), "BMP")},
        {"52 x 32 GIF", "sign.gif",
         [] {
             QFile f(QStringLiteral(POTERO_TEST_DATA "/pictures/sign.gif"));
             f.open(QIODevice::ReadOnly);
             return f.readAll();
         }()},
        {"52 x 32 JPEG", "sign.jpg", encoded(sign, "JPEG")},
    };
    std::printf("loading a sign picture (Load, then render as the sign):\n");
    for (const auto &file : files) {
        const QString path = dir.filePath(QString::fromLatin1(file.name));
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(file.bytes);
        out.close();
        const QRect sign(0, 0, 52, 32);
        const Figures f = measure(rounds, [&] {
            const auto picture = Load(path, sign);
            if (picture.ok())
                picture->render(sign, 1.0);
        });
        print(file.what, f);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;
    std::printf("machine: %s, %s, %ld cores\n", qPrintable(QSysInfo::prettyProductName()),
                qPrintable(QSysInfo::currentCpuArchitecture()), ::sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("command: %s %d\n\n", argv[0], rounds);
    listing(rounds);
    std::printf("\n");
    decoding(rounds * 20);
    return 0;
}

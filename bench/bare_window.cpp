// The baseline: the smallest Qt Widgets program with one window of the bus's size painting a
// pixmap, watched for its first frame exactly as potero is.
#include "barepicture.h"
#include "firstframe.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BarePicture window;
    window.show();
    FirstFrame watch(&window);
    return app.exec();
}

// potero itself, watched for its main window's first frame.
#include "app/form1.h"
#include "app/startup.h"
#include "firstframe.h"

#include <memory>

int main(int argc, char *argv[])
{
    std::unique_ptr<FirstFrame> watch;
    return runPotero(argc, argv,
                     [&watch](Form1 &form) { watch = std::make_unique<FirstFrame>(&form); });
}

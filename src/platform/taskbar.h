#pragma once

class QWidget;

// Keeps a window out of the taskbar. Call before the window is first shown: the window manager
// reads the request when the window is mapped. Where the window system has no such request,
// it does nothing.
void keepOutOfTaskbar(QWidget *window);

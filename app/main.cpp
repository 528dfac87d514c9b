#include <windows.h>

#include "app/snippet_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CSnippetApp app;
    return app.run(instance);
}

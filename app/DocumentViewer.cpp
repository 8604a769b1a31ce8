#include "app/DocumentViewer.h"

#include <SDL_misc.h>

#include <utility>

namespace {

DocumentViewer& currentViewer()
{
    static DocumentViewer viewer;
    return viewer;
}

} // namespace

void openDocument(const char* path)
{
    if (const DocumentViewer& viewer = currentViewer())
        viewer(path);
    else
        SDL_OpenURL(path);
}

void setDocumentViewer(DocumentViewer viewer) { currentViewer() = std::move(viewer); }

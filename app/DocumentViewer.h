// Hands a local document to the system's viewer. Tests replace the viewer so
// that no external program starts. Main thread only.
#pragma once

#include <functional>

using DocumentViewer = std::function<void(const char* path)>;

// Opens path with the current viewer (SDL_OpenURL unless replaced); the
// viewer's own success is not reported.
void openDocument(const char* path);
// Replaces the viewer; an empty one restores SDL_OpenURL.
void setDocumentViewer(DocumentViewer viewer);

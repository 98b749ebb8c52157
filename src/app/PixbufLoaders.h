// The image loaders the toolkit may use. GTK's built-in theme draws check
// marks, radio bullets and the arrows of choices from SVG pictures when it
// can read SVG, and otherwise from PNG pictures of the same look that it
// names beside them. Reading SVG brings in librsvg (about 6.5 MB resident)
// and costs about a twentieth of the start-up for those few small pictures,
// so the program lets the toolkit read all formats but SVG.
#pragma once

#include <string>

// `cache`, a list of image loaders as gdk-pixbuf-query-loaders writes it,
// without the entry of the loader that reads SVG.
std::string WithoutSvgLoader(const std::string& cache);

// Points the toolkit at a copy of the system's loader list without the SVG
// loader, kept in the user's runtime folder; to be called before the toolkit
// starts. A GDK_PIXBUF_MODULE_FILE or GDK_PIXBUF_MODULEDIR given by the user
// stands, and where no copy can be made nothing changes.
void LeaveOutSvgLoader();

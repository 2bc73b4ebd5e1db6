#pragma once

// Registers the icon and the palette bitmaps compiled into the application library. A static
// library's resources are dropped by the linker unless something refers to them; this does.
void LoadGrovewrightResources();

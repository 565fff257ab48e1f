#pragma once
// File names the program and its siblings agree on; fixed, not settings.

// The names of the program's own temporary files (downloads, write probes) begin so.
inline constexpr const char* kTempPrefix = "~Vandrel-";

// Further files beside the program that it or its siblings look up by name: the
// desktop's openers, the renderer's settings and its folder of pages.
inline constexpr const char* kPosixOpener = "xdg-open";
inline constexpr const char* kWindowsBrowser = "iexplore.exe";
inline constexpr const char* kRendererSettingsFile = "Quenda.cfg";
inline constexpr const char* kRenderedFolder = "rendered";
inline constexpr const char* kProgramDataNames[] = {kPosixOpener, kWindowsBrowser, kRendererSettingsFile,
                                                    kRenderedFolder};

#pragma once
// Renders the windows from the real widgets into PNG files: the main window after a
// script run against the virtual unit, the progress window in the middle of that run's
// upload, the information window during a port check and the Ethernet dialog.

namespace zarvex::test {

// Writes main_window.png, progress_window.png, info_window.png and ethernet_dialog.png
// into `folder`; 0 on success.
int renderScreenshots(const char* folder);

} // namespace zarvex::test

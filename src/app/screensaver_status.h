#pragma once
// --screensaver-status: how Glimmerdale stands as this desktop's screensaver, for people, scripts
// and support. It prints what runs in this session and which set-up is in place, after how long
// Glimmerdale starts, the desktop's own blank and lock delays (and which of them come first), and
// whether an idle launcher runs in this session with everything it reports (its idle source and
// delay, the applications holding off idle, the last start and end of Run mode).

struct Settings;

// Prints the status on stdout. Returns the process exit code: 0 when Glimmerdale is set up and
// working in this session, 1 otherwise.
int runScreensaverStatus(const Settings& settings);

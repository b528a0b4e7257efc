#pragma once
// The platform layer: everything the program asks of the system, one concern per header, each in
// the same shape.
//
// - The header is the concern's interface. What the program decides about the system (what a key
//   means, what a second signal does, where a message goes when no box can be shown) is portable
//   code beside it, <concern>.cpp, tested once: what the program calls, and the helpers the
//   backends report to. Under "The backend's part" the header names what a backend defines for
//   that portable code.
// - A backend is one folder per technology, with a backend.cmake that says when it is built:
//   sdl/, x11/, gtk/, gio/, wayland/, posix/, freetype/ on Linux, win32/ on Windows. It only
//   translates: <tech>/<concern>_<tech>.cpp reports what the system said (a key and its modifiers,
//   a signal number, a click on a control) and makes the calls the portable code asks for. Headers
//   inside a backend folder are that technology's helpers, shared with the other backends of its
//   platform; outside src/platform/ only their own tests include them.
// - Where the program or its tests need more than one implementation in one process (the system's
//   window, a host's window and a test double; the system's audio, dialogs and desktop beside their
//   fakes), the interface is an abstract class with a factory function. Otherwise it is functions,
//   or the member functions of a class, that exactly one backend of the build defines. Never two
//   levels: portable code reaches a backend only through the concern's own header.
//
// The concerns:
//   window.h            VideoBackend: display mode, window, monitors, GL context, events, cursor,
//                       gamma; what keys and clicks mean. Its types: cursor.h, display.h (and when a
//                       mode switch is needed), events.h, gamma_ramp.h (and how the ramps changed are
//                       kept and put back), gl_context.h; portable helpers: monitors.h, power_events.h
//   host_window.h       the video backend over a framework's window, and the copies side by side
//   audio_output.h      AudioOutput: one playback stream
//   dialog_toolkit.h    DialogToolkit: dialogs from templates, their pump, the web browser
//   desktop_watch.h     DesktopWatch: the idle launcher's signals and its Run-mode child
//   launcher_service.h  the idle launcher's name on the session bus: one per session, its status
//   desktop_setup.h     making Glimmerdale the desktop's screensaver: what runs, files, the desktop's
//                       own settings, commands
//   preview.h           PreviewWindow: the preview picture in a host's window or its own
//   settings_storage.h  SettingsStorage: the user's options (file or registry)
//   clock.h             counters, the millisecond tick, local time (with --time), sleeping
//   signals.h           the ways out that skip the normal shutdown
//   message_box.h       modal error boxes
//   blobs.h             the media and pictures carried inside the executable
//   bitmap_conversion.h BMP files to 24-bit RGB (media/bmp_layout.h checks their headers first)
//   font.h              the bitmap font's glyphs as display lists
//   gl_functions.h      GL entry points beyond 1.1
//   screen.h            the primary screen's size
//   processes.h         the process list (the single-instance check, the launcher), this process
//   folders.h           the state folder: logs, the set-up's record
//   process_memory.h    resident size and heap, for the endurance report
//   files.h             whether a file can be opened

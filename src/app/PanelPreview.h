#pragma once

// The panel content outside the menu bar, for development: `--panel-preview` shows it in a
// plain window, `--screenshot FILE` renders it offscreen to a PNG and exits. With `--dark` or
// `--light`, `--date yyyy-MM-dd` (the clock stands at 10:00 that day), `--preview-data`,
// `--select yyyy-MM-dd` and `--scale N` (the screenshot's device pixel ratio).
//
// The preview works on a temporary copy of the user's settings file, so nothing it sets or
// shows (the sample data, the appearance, the one-time hint) reaches the real one.
class PanelPreview
{
public:
    PanelPreview() = delete;

    /// Whether the command line asks for the preview.
    [[nodiscard]] static bool isRequested(int argc, char **argv);
    /// Creates the application itself; the exit status (2 for bad arguments).
    static int run(int argc, char **argv);
};

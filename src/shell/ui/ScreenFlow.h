#pragma once
#include <QString>
#include <functional>

// Which screen opens which. Every screen hands over through these, so the flow is in one place.
class ScreenFlow {
public:
    // Reads the configuration and shows the name selection screen; a configuration error ends
    // the program with its message.
    static void OpenNameSelection();
    // Shows a new name selection screen (the configuration is already read).
    static void ShowNameSelection();
    // Fills the level catalogue and shows the level menu.
    static void BuildLevelCatalogue();
    static void ShowLevelMenu();
    // One wait screen at a time: showing it again only raises it.
    static void ShowWaitScreen();
    static void CloseWaitScreen();

    // The attempt: resets the attempt state and shows the drill screen.
    static void StartDrill();
    // Closes the running attempt once: records it and hands over to the attempt end screen.
    static void EndAttempt();
    // Waits keeping the screen responsive, then closes the drill screen and shows the attempt end screen.
    static void WaitSeconds(double seconds);

    // Shows `message` in a message box, closes every screen and ends the program with status 1.
    static void Fatal(const QString& message);
    // Tests replace the message box (and the end of the process) with this.
    static std::function<void(const QString&)> FatalHook;
};

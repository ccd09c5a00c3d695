#pragma once
#include <QString>
#include <QtGlobal>
#include <array>

struct PassCriteria;

// The attempt's clock in the header: the elapsed bar on the track, the zones up to the target and
// the lowest time, the seconds figure and the three rows of markers (Best, YourBest, Pass) that
// count down the ten seconds before their time. Widths are in twips of the track.
class TimeBar {
public:
    static constexpr int FirstMarker = 10; // Best 10–19, YourBest 20–29, Pass 30–39
    static constexpr int LastMarker = 39;

    TimeBar();

    // Elapsed whole seconds from milliseconds; halves go to the even second.
    static int ElapsedSeconds(qint64 ms);

    // An attempt on a level in use runs for five times the lowest time; the zones reach the target
    // and the lowest time.
    void SetUp(const PassCriteria& criteria);
    // An attempt on a level that is not in use keeps `timeLimit` and shows it as its seconds; the
    // target zone fills the track and the lowest zone is hidden.
    void SetUpWithoutLevel(qint32 timeLimit);
    // The markers and, on a level in use, the seconds and the bar at `elapsed` seconds.
    void Show(int elapsed, const PassCriteria& criteria, bool levelInUse);
    // The bar at `elapsed` seconds, full once the time is up; true when it is.
    bool Reach(int elapsed);

    qint32 TimeLimit() const { return Limit; }
    // Twips of the track for one second.
    double Scale() const { return SecondScale; }
    double TrackWidth = 9000;
    double ElapsedWidth() const { return Elapsed; }
    double TargetZoneWidth() const { return TargetZone; }
    bool LowestZoneShown() const { return LowestShown; }
    // 0 while the zone is hidden.
    double LowestZoneWidth() const { return LowestShown ? LowestZone : 0; }
    bool MarkerShown(int marker) const { return Markers[std::size_t(marker)]; }
    const QString& SecondsFigure() const { return Seconds; }

private:
    double ClampToTrack(double width) const;
    // Hides the markers of a row as the last ten seconds before `reference` pass.
    void CountDown(int firstMarker, int reference, int elapsed);

    qint32 Limit = 0;
    double SecondScale = 0;
    double Elapsed = 0;
    double TargetZone = 0;
    double LowestZone = 0;
    bool LowestShown = true;
    std::array<bool, LastMarker + 1> Markers{};
    QString Seconds;
};

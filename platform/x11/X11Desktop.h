#pragma once

#include "PointerQuery.h"
#include "platform/DesktopProbe.h"
#include "platform/KeyMemory.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

// The 64-bit time of an X server's 32-bit millisecond stamp, which wraps every 49.7 days: the
// one nearest `expected`, the server time it is now by our own clock.
std::int64_t UnwrapServerTime(std::uint32_t serverTime, std::int64_t expected);

// Xlib's types, declared here so that its macros (None, Bool, Status...) stay out of Qt code.
struct _XDisplay;
union _XEvent;

// The desktop seen through a private Xlib connection (Qt's own is not used: the XInput version
// is fixed per connection and Qt negotiates its own). Keys, buttons and touches come from
// XInput 2.2 raw events on the root window, the foreground window from _NET_ACTIVE_WINDOW kept by
// root PropertyNotify, the primary monitor from RandR's monitor list read again after its change
// events. The cursor comes from the pointer's motion events, recorded on a connection of their
// own through the RECORD extension: each carries the position the server gave the pointer
// (accelerated, held inside the screens, absolute devices alike) and its time; after a touch,
// whose emulated pointer may jump unseen, it is asked once. Key and motion events keep their
// server times, so the ticks run in batches, each as of its millisecond
// (DesktopProbe::inputTime), and the raw events then come on a third connection, watched only
// while the ticks rest: the main one carries window and monitor changes only and stays watched.
// Without RECORD the cursor is asked only after raw motion or a touch and the ticks sample the
// present. The connections are watched by the event loop of the thread that opens them, and
// every call first takes in what Xlib has queued, so an idle desktop costs no request at all.
//
// While the ticks come and the desktop is busy, the socket notifier rests and the ticks read
// the socket themselves: events then cost no wake-up of their own. It wakes again after
// kQuietSweeps sweeps without events, or when no sweep came for kWatchdogMs; mayRest() is false
// while it rests, so a tick never stops with nothing left to wake it.
//
// Open it after the QGuiApplication, if any: the X error handlers it installs are process-wide
// and pass errors of other connections on to the handlers that were there before. X errors on
// this connection are logged and never end the process.
class X11Desktop final : public DesktopProbe {
public:
    // Null, with one line in `error`, when there is no display or no XInput 2.2.
    static std::unique_ptr<X11Desktop> open(QString* error);
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // With RECORD, the position of the last motion up to the sampled millisecond. Without, after
    // raw motion, a query answered by the next call (PointerQuery), or a round trip where the
    // second connection could not be made; nothing otherwise.
    Point cursorPos() override;
    // A read of _NET_ACTIVE_WINDOW after it changed, none otherwise; with stamps, read as the
    // change comes (the main connection is watched all along) and applied at its millisecond,
    // the grace of a 0 counted in the stamps' milliseconds too, so that the batches report what
    // a tick every millisecond would. Without stamps the grace runs on our own clock. Without a
    // window manager that publishes it, the input focus, polled (a round trip a call).
    WindowHandle foregroundWindow() override;
    bool keyActive(int code) override;
    // Answers from the event cache: no round trip. Key and button events that arrived since
    // the last sweep are taken in order until the answer differs from the last one, the rest on
    // the next sweeps: a sweep that comes late (a busy machine, a batch from the server) still
    // sees every change, one per sweep, where one look at the end state would miss a release
    // and a press of the same key.
    int pollKeys(bool armed) override;
    // The primary monitor of RandR 1.5's monitor list, read again on every RandR change; the
    // root window (kept by ConfigureNotify) where there is none. Device pixels, 15 twips each.
    ScreenMetrics screen() override;
    bool mayRest() const override;
    // Reads every socket. Stamps are the server's 32-bit milliseconds, unwrapped.
    std::optional<std::int64_t> inputTime() override;
    std::optional<std::int64_t> pendingTime() const override;
    void sampleAt(std::int64_t ms) override { sampleTime_ = ms; }
    // Batches come only with stamps: one without events since the one before wakes the notifiers.
    void endBatch() override;
    // Without a handler, a lost connection ends the event loop with exit code 1.
    void setLostHandler(std::function<void()> handler) override { onLost_ = std::move(handler); }
    void setScreenHandler(std::function<void()> handler) override {
        onScreen_ = std::move(handler);
    }

    // One raw XInput event as the server delivers it (type XI_Raw*, the device, the detail:
    // keycode, button or touch id, the valuator mask, and the server time). Public so that
    // events a test server cannot make, touches on a display without a touch device, can be fed
    // as they would come; fed with time 0 they count as of the latest time seen.
    void handleRaw(int type, int device, int detail, const unsigned char* valuatorMask,
                   int maskLength, unsigned long time);
    // How many monitors the last read of RandR's list held (0 without RandR 1.5).
    int monitorCount() const { return monitorCount_; }

    // Measurements: requests sent since the probe was ready (both connections), round trips
    // the probes waited for, X errors received.
    std::uint64_t requestsSent() const;
    std::uint64_t roundTrips() const { return roundTrips_; }
    std::uint64_t errors() const { return errors_; }

    // Quiet sweeps before the notifier wakes again: 10 ms, longer than the 8 ms between the
    // reports of a common 125 Hz mouse, so a moving pointer keeps it resting.
    static constexpr int kQuietSweeps = 10;
    // With stamps a sweep is a batch of ticks (RestingTick::kBatchMs): one without events ends
    // the rest.
    static constexpr int kQuietBatches = 1;
    // Three batches: a late timer does not wake the notifiers while batches still come.
    static constexpr int kWatchdogMs = 300;

private:
    friend struct X11Handlers;
    friend struct X11RecordCallback;
    struct Motion {
        std::int64_t time;
        Point at;
    };

    explicit X11Desktop(_XDisplay* display);
    // Xlib ends the process when a connection breaks unless told otherwise.
    static void keepProcessOnIOError(_XDisplay* display);
    bool init(QString* error);
    void readStartState();
    // RandR 1.5: selects its change events and reads the monitor list. False without it.
    bool watchMonitors();
    void readMonitors();
    bool isMonitorEvent(const _XEvent& event) const;
    // The 32-bit items of a root window property of `type`; empty when it is missing or of
    // another type. One round trip.
    std::vector<unsigned long> readRootProperty(unsigned long property, unsigned long type,
                                                long maxItems);
    void readSupported();
    void readActive();
    WindowHandle readFocus();
    void refreshForeground();
    // The grace of the last value read as of the present: on our own clock, or with stamps on
    // the server's time now (sampledTime).
    void settleActive();
    // The millisecond the ticks sample, on the stamps' clock; the server's time now, by our
    // clock, until batches begin.
    std::int64_t sampledTime() const;
    // Handles what Xlib has queued; with readSocket, reads the socket first (XPending).
    void drain(bool readSocket);
    // With RECORD: the connection for raw events; raw_ stays the main one where it cannot be made.
    void openRaw();
    // Reads raw_'s socket, when it is not the main connection.
    void drainRaw();
    // Raw key and button events, and raw motion when `motion`.
    void selectRaw(bool motion);
    void handle(_XEvent& event);
    void handleProperty(unsigned long atom, unsigned long serial, unsigned long time);
    // With stamps: reads the active window after a change, stamped with the change's time.
    void takeActive();
    std::int64_t stampOf(unsigned long serverTime);
    bool due(std::int64_t time) const { return time <= sampleTime_; }
    // RECORD (X11Record.cpp); without it, or when it cannot be set up, record_ stays null.
    void openRecord();
    void closeRecord();
    void drainRecord();
    void recordMotion(unsigned long serverTime, Point at);
    void noticeLost();
    void onReadable();
    void restNotifier();
    void wakeNotifier();
    void checkSweepsCome();
    void noteSweep(int quietLimit);
    void setNotifiersEnabled(bool enabled);

    _XDisplay* display_;
    unsigned long root_ = 0;
    int xiOpcode_ = 0;
    unsigned long atomActive_ = 0;
    unsigned long atomSupported_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    // Where the raw events are selected: a connection of their own with RECORD, else display_.
    _XDisplay* raw_ = nullptr;
    std::unique_ptr<QSocketNotifier> rawNotifier_;
    // Without RECORD, the cursor's source; with it, the batches' way to have the server write
    // out the recorded motion.
    std::unique_ptr<PointerQuery> pointer_;
    _XDisplay* record_ = nullptr;
    unsigned long recordContext_ = 0;
    std::unique_ptr<QSocketNotifier> recordNotifier_;
    // Motion waits for its millisecond like keys. Before the ticks start (a message box at
    // start-up waits for its answer) nothing takes it: beyond this many, about 8 seconds of an
    // 8000 Hz mouse, the oldest are applied at once.
    std::deque<Motion> motions_;
    static constexpr std::size_t kMaxPendingMotions = 65536;
    QTimer watchdog_;
    std::function<void()> onLost_;
    std::function<void()> onScreen_;

    // Key and button events wait until the batch of ticks reaches their millisecond (two
    // batches at most) or while changes come faster than the ticks see them; beyond two batches
    // of one change a millisecond the oldest are applied at once.
    static constexpr std::size_t kMaxPendingInput = 256;
    // Sources are X keycodes, and 256 + the physical button number (0 for touches).
    static int codeOfSource(int source);
    KeyMemory keys_{codeOfSource, kMaxPendingInput};
    // Touches that began and have not ended: device and touch id.
    std::vector<std::pair<int, int>> touches_;
    static constexpr std::size_t kMaxTouches = 20;

    // Foreground window. A read of a property is current for every PropertyNotify older than
    // its request: those carry a smaller serial.
    bool ewmh_ = false;
    bool supportedDirty_ = true;
    bool activeDirty_ = true;
    unsigned long supportedSerial_ = 0;
    unsigned long activeSerial_ = 0;
    WindowHandle activeValue_ = 0;
    // With stamps: values read, each with the time of the change it followed, until due; at
    // most kMaxPendingInput of them.
    std::deque<std::pair<std::int64_t, WindowHandle>> activeChanges_;
    std::int64_t activeStamp_ = 0;
    // With stamps: the value of the last change applied, as of the sampled millisecond.
    WindowHandle dueActive_ = 0;
    ForegroundGrace grace_;

    Point cursor_;
    bool moved_ = false;
    // The millisecond the ticks sample; everything is due until batches begin.
    std::int64_t sampleTime_ = std::numeric_limits<std::int64_t>::max();
    bool stamped_ = false;
    bool touchQuery_ = false; // with RECORD: a pointer query after a touch is in flight
    std::int64_t latestStamp_ = 0;
    // When latestStamp_ came, by sinceOpen_.
    std::int64_t latestStampAt_ = 0;
    QElapsedTimer sinceOpen_;
    int rootWidth_ = 0;
    int rootHeight_ = 0;
    int randrEvent_ = -1; // RandR's first event code, -1 without RandR 1.5
    bool monitorsStale_ = false;
    int monitorCount_ = 0;
    int width_ = 0;
    int height_ = 0;
    int widthMm_ = 0;
    int heightMm_ = 0;

    std::uint64_t eventsHandled_ = 0;
    std::uint64_t eventsAtSweep_ = 0;
    std::uint64_t sweeps_ = 0;
    std::uint64_t sweepsAtActivation_ = 0;
    std::uint64_t sweepsAtCheck_ = 0;
    int quietSweeps_ = 0;
    bool notifierResting_ = false;
    std::uint64_t roundTrips_ = 0;
    std::uint64_t errors_ = 0;
    unsigned long firstRequest_ = 0;
    unsigned long firstRawRequest_ = 0;
    bool lost_ = false;
    bool lostNoticed_ = false;
};

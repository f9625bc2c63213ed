#include "X11Desktop.h"

// Xlib after Qt: its macros (None, KeyPress, FocusIn...) clash with names in Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/record.h>
#include <cstdio>

// The pointer's motion through the RECORD extension: the server copies every core MotionNotify
// it makes for the master pointer, whatever the device (relative, absolute, XTest) and whoever
// grabs, with the root position it gave the pointer and the event's time, onto a connection of
// our own. It writes the copies out only along with output to some client, and else holds up to
// 32 of them (1 KB). So while the ticks rest, raw motion is selected on the main connection: the
// first move makes output and wakes the ticks; while batches run, each sends a pointer query
// that the next one reads, which makes the server write out what it holds (a full buffer it
// writes out by itself), for one read. Reading the other connections first, then this one, no
// motion is read later than a key event after it.
//
// The raw key, button and touch events (and raw motion while the ticks rest) come on a third
// connection, watched only while the ticks rest: while batches run, each reads what came, so a
// key or a click costs no wake-up of its own, and the main connection, watched all along for
// window changes, stays quiet under input.

struct X11RecordCallback {
    static void onData(XPointer closure, XRecordInterceptData* data) {
        auto* desktop = reinterpret_cast<X11Desktop*>(closure);
        // data_len counts 4-byte units; a core event is 32 bytes.
        if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent)) {
            const auto* event = reinterpret_cast<const xEvent*>(data->data);
            if ((event->u.u.type & 0x7f) == MotionNotify) {
                desktop->recordMotion(
                    event->u.keyButtonPointer.time,
                    {event->u.keyButtonPointer.rootX, event->u.keyButtonPointer.rootY});
            }
        }
        XRecordFreeData(data);
    }
};

void X11Desktop::openRecord() {
    int major = 0;
    int minor = 0;
    if (!XRecordQueryVersion(display_, &major, &minor)) {
        std::fprintf(stderr, "Odovex: the X server has no RECORD; the cursor is asked instead.\n");
        return;
    }
    record_ = XOpenDisplay(DisplayString(display_));
    if (!record_) {
        return;
    }
    keepProcessOnIOError(record_);
    const std::uint64_t errorsBefore = errors_;
    XRecordRange* range = XRecordAllocRange();
    if (!range) {
        closeRecord();
        return;
    }
    range->device_events.first = MotionNotify;
    range->device_events.last = MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    recordContext_ = XRecordCreateContext(display_, 0, &clients, 1, &range, 1);
    XFree(range);
    // The context must exist on the server before the other connection enables it.
    XSync(display_, False);
    roundTrips_ += 2;
    if (!recordContext_ || errors_ != errorsBefore ||
        !XRecordEnableContextAsync(record_, recordContext_, X11RecordCallback::onData,
                                   reinterpret_cast<XPointer>(this))) {
        closeRecord();
    }
}

void X11Desktop::closeRecord() {
    if (recordContext_ && !lost_) {
        XRecordDisableContext(display_, recordContext_);
        XRecordFreeContext(display_, recordContext_);
        XSync(display_, False);
    }
    recordContext_ = 0;
    recordNotifier_.reset();
    if (record_) {
        XCloseDisplay(record_);
        record_ = nullptr;
    }
}

void X11Desktop::drainRecord() {
    if (!lost_) {
        XRecordProcessReplies(record_);
    }
    if (lost_) {
        noticeLost();
    }
}

void X11Desktop::recordMotion(unsigned long serverTime, Point at) {
    ++eventsHandled_;
    motions_.push_back({stampOf(serverTime), at});
    if (motions_.size() > kMaxPendingMotions) {
        cursor_ = motions_.front().at;
        motions_.pop_front();
    }
}

void X11Desktop::openRaw() {
    if (!record_) {
        return;
    }
    Display* raw = XOpenDisplay(DisplayString(display_));
    if (!raw) {
        return;
    }
    keepProcessOnIOError(raw);
    // The XInput version is fixed per connection.
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(raw, &major, &minor) != Success || major * 100 + minor < 202) {
        XCloseDisplay(raw);
        return;
    }
    ++roundTrips_;
    raw_ = raw;
}

void X11Desktop::drainRaw() {
    while (raw_ != display_ && !lost_ && XPending(raw_) > 0) {
        XEvent event;
        XNextEvent(raw_, &event);
        handle(event);
    }
    if (lost_) {
        noticeLost();
    }
}

#include "PointerQuery.h"

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

PointerQuery::PointerQuery(const char* displayName) {
    int screen = 0;
    connection_ = xcb_connect(displayName, &screen);
    if (xcb_connection_has_error(connection_)) {
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (; screens.rem > 0 && screen > 0; --screen) {
        xcb_screen_next(&screens);
    }
    if (screens.rem > 0) {
        root_ = screens.data->root;
    }
}

PointerQuery::~PointerQuery() {
    xcb_disconnect(connection_);
}

bool PointerQuery::isOpen() const {
    return root_ != 0 && !xcb_connection_has_error(connection_);
}

void PointerQuery::send() {
    sequence_ = xcb_query_pointer(connection_, root_).sequence;
    xcb_flush(connection_);
    inFlight_ = true;
    ++sent_;
}

std::optional<Point> PointerQuery::take() {
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!inFlight_ || !xcb_poll_for_reply(connection_, sequence_, &reply, &error)) {
        inFlight_ = inFlight_ && isOpen();
        return std::nullopt;
    }
    inFlight_ = false;
    std::free(error);
    if (!reply) {
        return std::nullopt;
    }
    const auto* pointer = static_cast<const xcb_query_pointer_reply_t*>(reply);
    const Point at{pointer->root_x, pointer->root_y};
    std::free(reply);
    return at;
}

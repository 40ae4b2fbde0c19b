#include "app/SyncController.h"

#include <iterator>

#include "display/Navigator.h"
#include "display/ViewGeometry.h"
#include "document/Document.h"
#include "platform/ViewerBus.h"

QString degreesText(double degrees) {
    return QString::asprintf("%.4lf", degrees);
}

SyncController::SyncController(SyncedView& view, const orvenna::Document& document, QObject* parent)
    : QObject(parent), view_(view), document_(document) {
    joinBus();
}

void SyncController::joinBus() {
    static const char* const kNames[] = {"PELLORANDE_SCR_X_9145",   "PELLORANDE_SCR_Y_9145",
                                         "PELLORANDE_SCR_MAG_9145", "PELLORANDE_CONNECT_9145",
                                         "PELLORANDE_LAT_9145",     "PELLORANDE_LON_9145",
                                         "PELLORANDE_DRAW_9145"};
    unsigned* const numbers[] = {&messages_.scrollX, &messages_.scrollY,  &messages_.zoomStep,
                                 &messages_.connect, &messages_.latitude, &messages_.longitude,
                                 &messages_.draw};
    bus_ = new ViewerBusEndpoint(
        [this](unsigned message, int32_t wParam) { onViewerMessage(message, wParam); }, this);
    bus_->setLeaveHandler([this](const std::string& reason) { reportUnavailable(reason); });

    std::string why;
    bool registered = true;
    for (size_t i = 0; i < std::size(kNames) && registered; ++i) {
        *numbers[i] = ViewerBus::registerMessage(kNames[i], &why);
        registered = *numbers[i] != 0;
    }
    if (registered && bus_->open()) return;
    if (registered) why = bus_->error();
    // Alone: numbers of this process's own, so that its posts still come back to its hook and the gestures of
    // a synchronising viewer still redraw it.
    for (size_t i = 0; i < std::size(numbers); ++i)
        *numbers[i] = ViewerBus::kFirstMessage + static_cast<unsigned>(i);
    reportUnavailable(why);
}

void SyncController::reportUnavailable(const std::string& reason) {
    if (unavailableShown_) return;
    unavailableShown_ = true;
    view_.showStatus(tr("他のビューアとの同期は使えません: %1").arg(QString::fromStdString(reason)));
}

void SyncController::post(const std::vector<std::pair<unsigned, int32_t>>& group) {
    if (!bus_) return;
    ViewerBusEndpoint::Group messages;
    for (const auto& [message, wParam] : group)
        messages.push_back({message, wParam});
    bus_->postGroupToAll(messages);
}

void SyncController::scrollEnded(bool horizontal) {
    if (!on_) {
        view_.redraw();
        return;
    }
    const QPoint at = view_.scrollPosition();
    post({{horizontal ? messages_.scrollX : messages_.scrollY, horizontal ? at.x() : at.y()},
          {messages_.draw, at.y()}});
}

void SyncController::panEnded() {
    if (!on_) {
        view_.redraw();
        return;
    }
    const QPoint at = view_.scrollPosition();
    double lat = 0, lon = 0;
    if (document_.geoAt(at.x(), at.y(), &lat, &lon)) {
        // The centre's position as the readout writes it, in 1/10000 degree.
        post({{messages_.latitude, orvenna::degrees_text_to_wparam(degreesText(lat).toLatin1().constData())},
              {messages_.longitude, orvenna::degrees_text_to_wparam(degreesText(lon).toLatin1().constData())},
              {messages_.draw, at.y()}});
    } else {
        post({{messages_.scrollX, at.x()}, {messages_.scrollY, at.y()}, {messages_.draw, at.y()}});
    }
}

void SyncController::zoomedOut() {
    if (!on_) {
        view_.redraw();
        return;
    }
    post({{messages_.zoomStep, view_.zoomStep()}});
}

void SyncController::onViewerMessage(unsigned message, int32_t wParam) {
    if (message == messages_.scrollX) {
        x_ = wParam;
        byGeography_ = false;
    } else if (message == messages_.scrollY) {
        y_ = wParam;
        byGeography_ = false;
    } else if (message == messages_.zoomStep) {
        // Only 0..10 are steps; anything else from the bus is brought into that range.
        view_.setZoomStep(orvenna::clamp_zoom_step(wParam));
        view_.redraw();
    } else if (message == messages_.latitude) {
        byGeography_ = true;
        latitude_ = orvenna::wparam_to_degrees(wParam);
    } else if (message == messages_.longitude) {
        byGeography_ = true;
        longitude_ = orvenna::wparam_to_degrees(wParam);
    } else if (message == messages_.draw) {
        applyPosition();
        view_.redraw();
    }
}

void SyncController::applyPosition() {
    if (byGeography_) {
        // The scene's own georeferencing gives the exact inverse, else the corners; a position that cannot be
        // placed here (or a scene without geography) leaves the view where it is.
        int column = 0, line = 0;
        if (document_.pixelAt(latitude_, longitude_, &column, &line)) {
            x_ = column;
            y_ = line;
            view_.setScrollPosition(x_, y_);
        }
    } else {
        view_.setScrollPosition(x_, y_);
    }
    const QPoint at = view_.scrollPosition();
    if (bus_) bus_->trace("apply", static_cast<unsigned>(at.x()), at.y());
}

// Synchronising several viewers: the message groups a synchronising viewer posts to every viewer (itself
// included) at the end of its gestures, and the receiving side that every viewer runs, whether it sends or
// not. Positions travel as image pixels, or as latitude and longitude that each receiver maps into its own
// scene.
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/MainWindow.h"
#include "display/Navigator.h"
#include "display/ViewGeometry.h"
#include "platform/ViewerBus.h"
#include "scene/remos.h"

void MainWindow::connectSyncHandlers() {
    connect(syncButton, &QToolButton::clicked, this, [this] { onSyncClicked(); });
    joinViewerBus();
}

void MainWindow::joinViewerBus() {
    static const char* const kNames[] = {"PELLORANDE_SCR_X_9145",   "PELLORANDE_SCR_Y_9145",
                                         "PELLORANDE_SCR_MAG_9145", "PELLORANDE_CONNECT_9145",
                                         "PELLORANDE_LAT_9145",     "PELLORANDE_LON_9145",
                                         "PELLORANDE_DRAW_9145"};
    unsigned* const numbers[] = {&scrollXMessage,  &scrollYMessage,   &zoomStepMessage, &connectMessage,
                                 &latitudeMessage, &longitudeMessage, &drawMessage};
    bus = new ViewerBusEndpoint(
        [this](unsigned message, int32_t wParam) { onViewerMessage(message, wParam); }, this);
    bus->setLeaveHandler([this](const std::string& reason) { reportSyncUnavailable(reason); });

    std::string why;
    bool registered = true;
    for (size_t i = 0; i < std::size(kNames) && registered; ++i) {
        *numbers[i] = ViewerBus::registerMessage(kNames[i], &why);
        registered = *numbers[i] != 0;
    }
    if (registered && bus->open()) return;
    if (registered) why = bus->error();
    // Alone: numbers of this process's own, so that its posts still come back to its hook and the gestures of
    // a synchronising viewer still redraw it.
    for (size_t i = 0; i < std::size(numbers); ++i)
        *numbers[i] = ViewerBus::kFirstMessage + static_cast<unsigned>(i);
    reportSyncUnavailable(why);
}

void MainWindow::reportSyncUnavailable(const std::string& reason) {
    if (syncUnavailableShown) return;
    syncUnavailableShown = true;
    setStatusPanelText(0,
                       QStringLiteral("他のビューアとの同期は使えません: ") + QString::fromStdString(reason));
}

void MainWindow::onSyncClicked() {
    syncOn = syncButton->isChecked();
}

void MainWindow::postViewerMessage(unsigned message, int32_t wParam) {
    postViewerGroup({{message, wParam}});
}

void MainWindow::postViewerGroup(const std::vector<std::pair<unsigned, int32_t>>& group) {
    if (!bus) return;
    ViewerBusEndpoint::Group messages;
    for (const auto& [message, wParam] : group)
        messages.push_back({message, wParam});
    bus->postGroupToAll(messages);
}

void MainWindow::broadcastScrollX() {
    postViewerGroup(
        {{scrollXMessage, horizontalScrollBar->value()}, {drawMessage, verticalScrollBar->value()}});
}

void MainWindow::broadcastScrollY() {
    postViewerGroup(
        {{scrollYMessage, verticalScrollBar->value()}, {drawMessage, verticalScrollBar->value()}});
}

void MainWindow::broadcastPanEnd() {
    const int x = horizontalScrollBar->value();
    const int y = verticalScrollBar->value();
    if (geographyKnown()) {
        // The centre's position as the readout writes it, in 1/10000 degree.
        postViewerGroup(
            {{latitudeMessage, orvenna::degrees_text_to_wparam(latitudeText(x, y).toLatin1().constData())},
             {longitudeMessage, orvenna::degrees_text_to_wparam(longitudeText(x, y).toLatin1().constData())},
             {drawMessage, y}});
    } else {
        postViewerGroup({{scrollXMessage, x}, {scrollYMessage, y}, {drawMessage, y}});
    }
}

void MainWindow::broadcastZoomOut() {
    postViewerMessage(zoomStepMessage, zoomStep);
}

void MainWindow::onViewerMessage(unsigned message, int32_t wParam) {
    if (message == scrollXMessage) {
        syncScrollX = wParam;
        syncScrollXReceived = true;
        syncByGeo = false;
    } else if (message == scrollYMessage) {
        syncScrollY = wParam;
        syncScrollYReceived = true;
        syncByGeo = false;
    } else if (message == zoomStepMessage) {
        // Only 0..10 are steps; anything else from the bus is brought into that range.
        zoomStep = orvenna::clamp_zoom_step(wParam);
        drawZoomSlider(0);
        drawComposite();
    } else if (message == latitudeMessage) {
        syncByGeo = true;
        syncLatitude = orvenna::wparam_to_degrees(wParam);
    } else if (message == longitudeMessage) {
        syncByGeo = true;
        syncLongitude = orvenna::wparam_to_degrees(wParam);
    } else if (message == drawMessage) {
        applySyncPosition();
        drawComposite();
    }
    // connectMessage and every other number: no action.
}

void MainWindow::applySyncPosition() {
    if (syncByGeo) {
        int column = 0, line = 0;
        if (const SceneFile* scene = georeferencedScene()) {
            // The scene's own georeferencing: the exact inverse. A position it cannot place leaves the view.
            if (remos_geo_to_pixel_exact(scene, syncLatitude, syncLongitude, &column, &line)) {
                syncScrollX = column;
                syncScrollY = line;
                syncScrollXReceived = syncScrollYReceived = true;
            } else {
                syncScrollX = horizontalScrollBar->value();
                syncScrollY = verticalScrollBar->value();
            }
        } else if (geoValid) {
            remos_geo_to_pixel(&column, &line, imageWidth, imageHeight, syncLatitude, syncLongitude,
                               static_cast<float>(ulLon), static_cast<float>(ulLat),
                               static_cast<float>(llLon), static_cast<float>(llLat),
                               static_cast<float>(urLon), static_cast<float>(urLat),
                               static_cast<float>(lrLon), static_cast<float>(lrLat));
            syncScrollX = column;
            syncScrollY = line;
            syncScrollXReceived = syncScrollYReceived = true;
        } else {
            // No corner coordinates here: this viewer stays where it is.
            syncScrollX = horizontalScrollBar->value();
            syncScrollY = verticalScrollBar->value();
        }
    }
    // The bars clamp the position to this viewer's scene. An axis no viewer has sent yet keeps its own
    // position rather than jumping to 0.
    if (syncByGeo || syncScrollXReceived) horizontalScrollBar->setValue(syncScrollX);
    if (syncByGeo || syncScrollYReceived) verticalScrollBar->setValue(syncScrollY);
    if (bus)
        bus->trace("apply", static_cast<unsigned>(horizontalScrollBar->value()), verticalScrollBar->value());
}

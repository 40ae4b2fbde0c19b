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

void MainWindow::ConnectSyncHandlers() {
    connect(syncButton, &QToolButton::clicked, this, [this] { onSyncClicked(); });
    JoinViewerBus();
}

void MainWindow::JoinViewerBus() {
    static const char* const kNames[] = {"PELLORANDE_SCR_X_9145",   "PELLORANDE_SCR_Y_9145",
                                         "PELLORANDE_SCR_MAG_9145", "PELLORANDE_CONNECT_9145",
                                         "PELLORANDE_LAT_9145",     "PELLORANDE_LON_9145",
                                         "PELLORANDE_DRAW_9145"};
    unsigned* const numbers[] = {&MsgScrX, &MsgScrY, &MsgScrMag, &MsgConnect, &MsgLat, &MsgLon, &MsgDraw};
    Bus = new ViewerBusEndpoint(
        [this](unsigned message, int32_t wParam) { onViewerMessage(message, wParam); }, this);
    Bus->OnLeave([this](const std::string& reason) { ReportSyncUnavailable(reason); });

    std::string why;
    bool registered = true;
    for (size_t i = 0; i < std::size(kNames) && registered; ++i) {
        *numbers[i] = ViewerBus::RegisterMessage(kNames[i], &why);
        registered = *numbers[i] != 0;
    }
    if (registered && Bus->Open()) return;
    if (registered) why = Bus->Error();
    // Alone: numbers of this process's own, so that its posts still come back to its hook and the gestures of
    // a synchronising viewer still redraw it.
    for (size_t i = 0; i < std::size(numbers); ++i)
        *numbers[i] = ViewerBus::kFirstMessage + static_cast<unsigned>(i);
    ReportSyncUnavailable(why);
}

void MainWindow::ReportSyncUnavailable(const std::string& reason) {
    if (SyncUnavailableShown) return;
    SyncUnavailableShown = true;
    SetStatusPanelText(0,
                       QStringLiteral("他のビューアとの同期は使えません: ") + QString::fromStdString(reason));
}

void MainWindow::onSyncClicked() {
    SyncOn = syncButton->isChecked();
}

void MainWindow::PostViewerMessage(unsigned message, int32_t wParam) {
    PostViewerGroup({{message, wParam}});
}

void MainWindow::PostViewerGroup(const std::vector<std::pair<unsigned, int32_t>>& group) {
    if (!Bus) return;
    ViewerBusEndpoint::Group messages;
    for (const auto& [message, wParam] : group)
        messages.push_back({message, wParam});
    Bus->PostGroupToAll(messages);
}

void MainWindow::BroadcastScrollX() {
    PostViewerGroup({{MsgScrX, horizontalScrollBar->value()}, {MsgDraw, verticalScrollBar->value()}});
}

void MainWindow::BroadcastScrollY() {
    PostViewerGroup({{MsgScrY, verticalScrollBar->value()}, {MsgDraw, verticalScrollBar->value()}});
}

void MainWindow::BroadcastPanEnd() {
    const int x = horizontalScrollBar->value();
    const int y = verticalScrollBar->value();
    if (GeoValid) {
        // The centre's position as the readout writes it, in 1/10000 degree.
        PostViewerGroup(
            {{MsgLat, orvenna::degrees_text_to_wparam(LatitudeText(x, y).toLatin1().constData())},
             {MsgLon, orvenna::degrees_text_to_wparam(LongitudeText(x, y).toLatin1().constData())},
             {MsgDraw, y}});
    } else {
        PostViewerGroup({{MsgScrX, x}, {MsgScrY, y}, {MsgDraw, y}});
    }
}

void MainWindow::BroadcastZoomOut() {
    PostViewerMessage(MsgScrMag, ZoomStep);
}

void MainWindow::onViewerMessage(unsigned message, int32_t wParam) {
    if (message == MsgScrX) {
        SyncScrX = wParam;
        SyncScrXReceived = true;
        SyncByGeo = false;
    } else if (message == MsgScrY) {
        SyncScrY = wParam;
        SyncScrYReceived = true;
        SyncByGeo = false;
    } else if (message == MsgScrMag) {
        // Only 0..10 are steps; anything else from the bus is brought into that range.
        ZoomStep = orvenna::clamp_zoom_step(wParam);
        DrawZoomSlider(0);
        drawComposite();
    } else if (message == MsgLat) {
        SyncByGeo = true;
        SyncLat = orvenna::wparam_to_degrees(wParam);
    } else if (message == MsgLon) {
        SyncByGeo = true;
        SyncLon = orvenna::wparam_to_degrees(wParam);
    } else if (message == MsgDraw) {
        ApplySyncPosition();
        drawComposite();
    }
    // MsgConnect and every other number: no action.
}

void MainWindow::ApplySyncPosition() {
    if (SyncByGeo) {
        if (GeoValid) {
            int column = 0, line = 0;
            remos_geo_to_pixel(&column, &line, ImgWidth, ImgHeight, SyncLat, SyncLon,
                               static_cast<float>(UlLon), static_cast<float>(UlLat),
                               static_cast<float>(LlLon), static_cast<float>(LlLat),
                               static_cast<float>(UrLon), static_cast<float>(UrLat),
                               static_cast<float>(LrLon), static_cast<float>(LrLat));
            SyncScrX = column;
            SyncScrY = line;
            SyncScrXReceived = SyncScrYReceived = true;
        } else {
            // No corner coordinates here: this viewer stays where it is.
            SyncScrX = horizontalScrollBar->value();
            SyncScrY = verticalScrollBar->value();
        }
    }
    // The bars clamp the position to this viewer's scene. An axis no viewer has sent yet keeps its own
    // position rather than jumping to 0.
    if (SyncByGeo || SyncScrXReceived) horizontalScrollBar->setValue(SyncScrX);
    if (SyncByGeo || SyncScrYReceived) verticalScrollBar->setValue(SyncScrY);
    if (Bus)
        Bus->Trace("apply", static_cast<unsigned>(horizontalScrollBar->value()), verticalScrollBar->value());
}

// Synchronising several viewers: the message groups a synchronising viewer posts to every viewer (itself
// included) when one of its gestures ends, and the receiving side that every viewer runs, whether it sends or
// not. Positions travel as image pixels, or as latitude and longitude that each receiver places in its own
// scene through the document's geography.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ViewerBusEndpoint;

namespace orvenna {
class Document;
}

// What the controller moves: the view of one viewer.
class SyncedView {
public:
    // The image pixel at the view's centre (the scroll bars' positions).
    virtual QPoint scrollPosition() const = 0;
    // Moves the view; an axis not given stays. Positions outside the scene are clamped.
    virtual void setScrollPosition(std::optional<int> x, std::optional<int> y) = 0;
    virtual int zoomStep() const = 0;
    virtual void setZoomStep(int step) = 0;
    virtual void redraw() = 0;
    virtual void showStatus(const QString& text) = 0;  // status panel 0

protected:
    ~SyncedView() = default;
};

class SyncController : public QObject {
    Q_OBJECT
public:
    // The registered numbers of the viewer messages.
    struct Messages {
        unsigned scrollX = 0, scrollY = 0, zoomStep = 0, connect = 0, latitude = 0, longitude = 0, draw = 0;
    };

    SyncController(SyncedView& view, const orvenna::Document& document, QObject* parent = nullptr);

    // "他のビューアを同期させる" is down: the ends of gestures are announced instead of redrawn here.
    bool isOn() const { return on_; }
    void setOn(bool on) { on_ = on; }
    const Messages& messages() const { return messages_; }
    ViewerBusEndpoint* bus() const { return bus_; }

    // The end of a gesture: with synchronisation on its announcement (which redraws every viewer, this one
    // included), else a redraw of this viewer.
    void scrollEnded(bool horizontal);  // the position of that axis, then the draw message
    void panEnded();                    // the centre as latitude and longitude when known, else as pixels
    void zoomedOut();                   // the step alone (a zoom-in stays with this viewer)

    // The message hook: what a viewer message makes this viewer do. Other numbers, the connect message
    // among them, do nothing.
    void onViewerMessage(unsigned message, int32_t wParam);

private:
    void joinBus();
    void reportUnavailable(const std::string& reason);
    void post(const std::vector<std::pair<unsigned, int32_t>>& group);  // one datagram, in order
    // On the draw message: the received or geographically converted position into the view.
    void applyPosition();

    SyncedView& view_;
    const orvenna::Document& document_;
    ViewerBusEndpoint* bus_ = nullptr;
    Messages messages_;
    bool on_ = false;
    bool unavailableShown_ = false;  // the status bar said once that this viewer is alone
    // The position received so far; an axis no viewer has sent keeps this viewer's own position.
    std::optional<int> x_, y_;
    float latitude_ = 0, longitude_ = 0;  // as the messages carry them
    bool byGeography_ = false;
};

// A position in degrees as the readout writes it ("%.4lf").
QString degreesText(double degrees);

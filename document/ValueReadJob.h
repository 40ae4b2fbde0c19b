// Reading the bands' values at one pixel on a thread of its own, for a readout that could not read them at
// once (a band's file busy with a histogram pass, a large block not decoded yet). Asked again while a read
// runs, it reads only the latest pixel asked for, once that read has ended.
#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "document/BackgroundJob.h"

namespace orvenna {

class Document;

class ValueReadJob : public QObject {
    Q_OBJECT
public:
    explicit ValueReadJob(const Document& document, QObject* parent = nullptr);
    ~ValueReadJob() override;

    void read(int x, int y);

signals:
    // The values at (x, y) of the bands listed now (valuesAt's answer).
    void valuesRead(int x, int y, const std::vector<double>& values);

private:
    struct Run;
    void start(int x, int y);
    void onFinished();

    const Document& document_;
    BackgroundJob job_;
    std::shared_ptr<Run> run_;
    bool pending_ = false;
    int pendingX_ = 0, pendingY_ = 0;
};

}  // namespace orvenna

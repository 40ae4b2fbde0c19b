// The choice of the subdatasets of a container (the variables of a NetCDF or HDF file) to open, each as a
// file of its own: one row per part with its name, size, sample type and description; several may be chosen.
#pragma once

#include <QDialog>

#include <vector>

#include "scene/subdatasets.h"

class QTreeWidget;

class SubdatasetDialog : public QDialog {
public:
    SubdatasetDialog(const QString& fileName, const std::vector<orvenna::SubdatasetInfo>& list,
                     QWidget* parent = nullptr);

    // The positions of the rows chosen, in list order.
    std::vector<int> chosen() const;

    QTreeWidget* partList;

protected:
    void showEvent(QShowEvent* event) override;
};

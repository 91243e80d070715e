// The Measurements dock's table: the 18 measurements by current, mean, minimum, maximum,
// standard deviation and count, read from a window's statistics whenever a cell is drawn.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "analysis/measurement_statistics.h"

namespace corvane {

// A cell of the statistics table in the window's text format for its quantity: row
// measurementIndex(ch, q), column 0..5 current, mean, minimum, maximum, standard deviation,
// count. "???" where there is no figure.
QString statisticsCellText(const MeasurementStatistics& s, int row, int column);
// "CH1 Frequency mean": what a screen reader calls the cell.
QString statisticsCellName(int row, int column);

class StatisticsModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  // The statistics shown (null: none); every cell changes.
  void show(const MeasurementStatistics* statistics);
  const MeasurementStatistics* shown() const { return statistics_; }
  // The shown statistics took a waveform: the cells read them afresh on their next paint.
  void refresh();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const MeasurementStatistics* statistics_ = nullptr;
};

// The table: Ctrl+C copies the selected cells as tab-separated lines (before the main window's
// Ctrl+C entry can take the key, as the notes editor claims it too).
class StatisticsTable : public QTableView {
 public:
  explicit StatisticsTable(QWidget* parent = nullptr);
  // The selected cells' texts, a row per line, tab-separated; the selection's bounding rectangle,
  // unselected cells inside it empty.
  QString selectionText() const;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace corvane

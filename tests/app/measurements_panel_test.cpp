#include "app/measurements_panel.h"

#include <sys/resource.h>

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <csignal>

#include "app/control_commands.h"
#include "app/main_menus.h"
#include "app/trend_plot.h"
#include "app_test_support.h"
#include "scope/widgets/scope_window.h"
#include "tests/support/sim_process.h"

namespace corvane::apptest {
namespace {

// A 250 Hz square wave on CH1 (0.5 V/div, 1 ms/div, ground at code 127) whose high level is
// `high`; `high` 127 makes a flat trace, which has no period.
WaveformBlock squareWave(int high) {
  WaveformBlock b;
  b.setCh1Position(225);
  b.setCh2Position(225);
  b.setCh1VoltDivIndex(7);
  b.setCh2VoltDivIndex(7);
  b.setTimeDivIndex(17);
  for (int i = 0; i < kPointCount; ++i) {
    b.setCh1Samples(i, uint16_t(high == 127 || (i / 100) % 2 == 0 ? high : 77));
    b.setCh2Samples(i, 127);
  }
  return b;
}

// Every hand-over of the session, as it reached the window.
class RecordingMainWindow : public MainWindow {
 public:
  using MainWindow::MainWindow;
  void ReceiveBlock(const WaveformBlock& block) override {
    handedOver.push_back(block);
    MainWindow::ReceiveBlock(block);
  }
  std::vector<WaveformBlock> handedOver;
};

RecordingMainWindow& startRecording(MainRig& rig) {
  MainWindowConfig config;
  config.settingsDir = rig.dir.string();
  config.captureDirectory = rig.dir;
  auto state = rig.usb;
  config.makeUsbBackend = [state](const ProgramSettings&) {
    return std::make_unique<sessiontest::WireFtdiBackend>(state);
  };
  auto* m = new RecordingMainWindow(std::move(config), rig.ui);
  rig.main.reset(m);
  m->show();
  QApplication::processEvents();
  return *m;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1) {
    out.push_back(line.substr(start, comma - start));
  }
  out.push_back(line.substr(start));
  return out;
}

TEST(MeasurementsPanel, ShowsTheFiguresOfAKnownSeriesInTheLabelsFormatAndCopiesThem) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  MeasurementsPanel& panel = m.measurementsPanel();
  for (int high : {177, 187, 167, 127}) m.ReceiveBlock(squareWave(high));

  const QAbstractItemModel* model = panel.table()->model();
  auto text = [&](int ch, Quantity q, int column) {
    return model->index(measurementIndex(ch, q), column).data().toString().toStdString();
  };
  using Row = std::array<std::string, 6>;
  auto row = [&](int ch, Quantity q) {
    return Row{text(ch, q, 0), text(ch, q, 1), text(ch, q, 2),
               text(ch, q, 3), text(ch, q, 4), text(ch, q, 5)};
  };
  EXPECT_EQ(row(0, Quantity::kPeakToPeak), (Row{"0.0V", "1.5V", "0.0V", "2.2V", "0.9V", "4"}));
  // The flat trace has no period: the three square waves alone.
  EXPECT_EQ(row(0, Quantity::kMean), (Row{"???", "0.000V", "-0.100V", "0.100V", "0.082V", "3"}));
  EXPECT_EQ(row(0, Quantity::kFrequency),
            (Row{"???", "250.00Hz", "250.00Hz", "250.00Hz", "0.00Hz", "3"}));
  EXPECT_EQ(row(0, Quantity::kPeriod), (Row{"???", "4.00ms", "4.00ms", "4.00ms", "0.00ms", "3"}));
  EXPECT_EQ(row(1, Quantity::kRms), (Row{"???", "???", "???", "???", "???", "0"}));
  EXPECT_EQ(panel.summary()->text(), "Corvane - 1: 4 waveforms");
  EXPECT_EQ(text(0, Quantity::kPeakToPeak, 0),
            m.scopeWindow(0)->findChild<QLabel*>("CPPCH1")->text().toStdString());

  // A screen reader hears which figure a cell is, and its text.
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(panel.table());
  ASSERT_NE(table, nullptr);
  QAccessibleInterface* cell = table->tableInterface()->cellAt(3, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->text(QAccessible::Name), "CH1 Frequency mean");
  EXPECT_EQ(cell->text(QAccessible::Description), "250.00Hz");
  EXPECT_EQ(table->tableInterface()->cellAt(13, 4)->text(QAccessible::Name),
            "CH2 Rise time standard deviation");

  // Ctrl+C copies the selection, though the main window's Ctrl+C entry is "Comm. Port Setting".
  panel.table()->selectionModel()->select(QItemSelection(model->index(0, 1), model->index(1, 3)),
                                          QItemSelectionModel::Select);
  panel.table()->setFocus();
  QTest::keyClick(panel.table(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "1.5V\t0.0V\t2.2V\n1.0V\t0.9V\t1.1V\n");
}

TEST(MeasurementsPanel, ResetRulesAndTheLogOfARunAgainstTheSimulator) {
  test_support::SimProcess sim({"--baud", "38400"});
  ASSERT_FALSE(sim.path().empty());
  MainRig rig;
  rig.writeIni(sim.path(), "[COMM Set]\nBaud rates=5\nParity Bits=1\n");
  RecordingMainWindow& m = startRecording(rig);
  MeasurementsPanel& panel = m.measurementsPanel();
  ScopeWindow* w = m.scopeWindow(0);
  auto* setup = w->findChild<QPushButton*>("ToolbarButton971");
  auto* run = w->findChild<QPushButton*>("BitBtn1");
  auto statistics = [&]() -> const MeasurementStatistics& { return panel.statistics(0); };
  auto handOvers = [&](std::size_t n) {
    const std::size_t until = m.handedOver.size() + n;
    return QTest::qWaitFor([&] { return m.handedOver.size() >= until; }, 10000);
  };

  QTest::mouseClick(setup, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.session().loadFinished(); }, 8000));
  ASSERT_EQ(m.handedOver.size(), 1u);
  EXPECT_EQ(statistics().lastReset(), StatisticsReset::kSetupLoad);
  EXPECT_EQ(statistics().waveforms(), 1);

  const std::string csv = rig.file("run.csv").string();
  rig.ui.fileAnswers.push_back(csv);
  m.menus().logMeasurementsAction->trigger();
  ASSERT_TRUE(m.menus().logMeasurementsAction->isChecked());
  const std::size_t logFrom = m.handedOver.size();

  QTest::mouseClick(run, Qt::LeftButton);
  ASSERT_TRUE(handOvers(4));
  EXPECT_EQ(statistics().lastReset(), StatisticsReset::kSetupLoad);
  EXPECT_EQ(statistics().waveforms(), int64_t(m.handedOver.size()));

  m.controlMenu().action("CH 1/Volt Division/2 V")->trigger();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return statistics().lastReset() == StatisticsReset::kScaleChange; }, 10000));
  ASSERT_EQ(m.handedOver.back().Ch1VoltDivIndex(), 9);

  QTest::mouseClick(panel.resetButton(), Qt::LeftButton);
  EXPECT_EQ(statistics().lastReset(), StatisticsReset::kOperator);
  EXPECT_EQ(statistics().waveforms(), 0);
  EXPECT_EQ(panel.table()->model()->index(3, 5).data().toString(), "0");
  ASSERT_TRUE(handOvers(2));
  QTest::mouseClick(run, Qt::LeftButton);
  m.menus().logMeasurementsAction->trigger();  // stops the log
  EXPECT_FALSE(m.menus().logMeasurementsAction->isChecked());
  EXPECT_GE(statistics().waveforms(), 2);
  EXPECT_EQ(statistics().lastReset(), StatisticsReset::kOperator);
  EXPECT_TRUE(rig.ui.errors.empty());

  // One row per hand-over while it ran, with the values measured from that very record.
  const std::vector<std::string> rows = lines(readAll(csv));
  ASSERT_EQ(rows.size(), 1 + m.handedOver.size() - logFrom);
  EXPECT_EQ(rows[0], measurementLogHeader().substr(0, measurementLogHeader().size() - 1));
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string> row = cells(rows[r]);
    ASSERT_EQ(row.size(), 6u + kMeasurementCount);
    EXPECT_EQ(row[2], std::to_string(r));
    const WaveformBlock& record = m.handedOver[logFrom + r - 1];
    EXPECT_EQ(row[3], record.Ch1VoltDivIndex() == 9 ? "2" : "1");
    EXPECT_EQ(row[5], "0.0005");
    const MeasuredWaveform measured = measureWaveform(record);
    for (int i = 0; i < kMeasurementCount; ++i) {
      const auto& v = measured.values[std::size_t(i)];
      EXPECT_EQ(row[6 + std::size_t(i)], v ? plainNumber(*v) : "") << "row " << r << " cell " << i;
    }
    EXPECT_NEAR(std::stod(row[6 + measurementIndex(0, Quantity::kFrequency)]), 1000, 20);
  }

  QTest::mouseClick(setup, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.session().loadFinished(); }, 8000));
  EXPECT_EQ(statistics().lastReset(), StatisticsReset::kSetupLoad);
  EXPECT_EQ(statistics().waveforms(), 1);
}

TEST(MeasurementsPanel, AFailedLogWriteStopsTheLogAndKeepsEveryRowBeforeIt) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  QAction* logEntry = m.menus().logMeasurementsAction;
  QToolButton* logButton = m.measurementsPanel().logButton();

  rig.ui.fileAnswers.push_back("/dev/full");
  QTest::mouseClick(logButton, Qt::LeftButton);
  EXPECT_FALSE(logEntry->isChecked());
  ASSERT_EQ(rig.ui.errors,
            std::vector<std::string>{"Cannot access file \"/dev/full\". No space left on device"});

  const std::string file = rig.file("limited.csv").string();
  rig.ui.fileAnswers.push_back(file);
  logEntry->trigger();
  ASSERT_TRUE(logEntry->isChecked());
  m.ReceiveBlock(squareWave(177));
  m.ReceiveBlock(squareWave(187));
  const std::string kept = readAll(file);
  ASSERT_EQ(lines(kept).size(), 3u);

  // The file reaches its size limit in the middle of the third row.
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = kept.size() + 40;
  auto previous = ::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  m.ReceiveBlock(squareWave(167));
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, previous);
  EXPECT_FALSE(logEntry->isChecked());
  EXPECT_FALSE(logButton->isChecked());
  m.ReceiveBlock(squareWave(177));
  QTest::qWait(10);
  ASSERT_EQ(rig.ui.errors.size(), 2u);
  EXPECT_EQ(rig.ui.errors[1], "Cannot access file \"" + file + "\". File too large");
  EXPECT_EQ(readAll(file), kept);
  EXPECT_EQ(m.measurementsPanel().statistics(0).waveforms(), 4);
}

TEST(MeasurementTrend, AnHourAtFiveWaveformsASecondStaysBoundedAndTheSpikeIsPlotted) {
  MeasurementStatistics stats;
  MeasurementTrend trend;
  const int64_t start = 1'700'000'000'000;
  MeasuredWaveform w{};
  const int f = measurementIndex(0, Quantity::kFrequency);
  int64_t t = start;
  for (int k = 0; k < 5 * 3700; ++k, t += 200) {
    w.values[std::size_t(f)] = k == 5 * 3000 ? 2000.0 : 1000.0 + (k % 3);
    stats.add(w);
    trend.add(t, w, stats);
  }
  const int64_t last = t - 200;
  EXPECT_EQ(trend.size(), MeasurementTrend::kCapacity);
  EXPECT_EQ(trend.at(0).timeMs, last - MeasurementTrend::kSpanMs + 200);
  EXPECT_EQ(trend.at(trend.size() - 1).timeMs, last);

  const TrendPoints hour = trendPoints(trend, f, last - 3'600'000, last, 600);
  EXPECT_LE(hour.values.size(), 1200);
  EXPECT_EQ(std::max_element(hour.values.begin(), hour.values.end(),
                             [](QPointF a, QPointF b) { return a.y() < b.y(); })
                ->y(),
            2000.0);
  // The band and the mean end where the statistics stand.
  EXPECT_EQ(hour.maximum.back().y(), 2000.0);
  EXPECT_EQ(hour.minimum.back().y(), 1000.0);
  EXPECT_FLOAT_EQ(float(hour.mean.back().y()), float(*stats.at(f).mean()));
  // A minute has every bucket.
  EXPECT_EQ(trendPoints(trend, f, last - 60'000, last, 600).values.size(), 301);
}

}  // namespace
}  // namespace corvane::apptest

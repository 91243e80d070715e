#include <gtest/gtest.h>
#include <pty.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <future>

#include "app/single_instance.h"
#include "app/user_manual.h"
#include "scope/display_render.h"
#include "scope/widgets/scope_window.h"
#include "tests/app/app_test_support.h"

namespace corvane::apptest {
namespace {

std::string recordBytes() {
  const WaveformBlock b = MakeNewWindowRecord();
  return std::string(reinterpret_cast<const char*>(b.bytes.data()), b.bytes.size());
}

// Runs `send` on its own thread, since it waits for the answer of a server that this thread's
// event loop serves.
bool sendWhileServing(const QStringList& files, const QString& socket) {
  auto sent = std::async(std::launch::async, [&] { return FileHandOver::send(files, socket); });
  while (sent.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
    QApplication::processEvents();
  }
  return sent.get();
}

TEST(StartWithFiles, HandedOverFilesOpenInNewScopeWindowsAsFileOpenDoes) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  writeAll(rig.file("one.DSO"), recordBytes());
  writeAll(rig.file("one.TXT"), "first\r\n");
  writeAll(rig.file("two.DSO"), recordBytes());
  writeAll(rig.file("short.DSO"), std::string(100, '\0'));
  FileHandOver handOver([&m](const QStringList& files) {
    for (const QString& f : files) m.openFile(f.toStdString());
  });
  const QString socket = QString::fromStdString(rig.file("corvane.socket").string());
  ASSERT_TRUE(handOver.listen(socket));

  const QString before = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(rig.dir.string()));  // relative names are the sender's
  const bool sent = sendWhileServing({"one.DSO", "short.DSO", "two.DSO"}, socket);
  QDir::setCurrent(before);
  ASSERT_TRUE(sent);

  ASSERT_TRUE(m.slotInUse(1) && m.slotInUse(2));
  EXPECT_FALSE(m.slotInUse(3));
  EXPECT_EQ(m.scopeWindow(1)->windowTitle().toStdString(), rig.file("one.DSO").string());
  EXPECT_EQ(m.scopeWindow(1)->notesLines(), std::vector<std::string>{"first"});
  EXPECT_EQ(m.scopeWindow(2)->windowTitle().toStdString(), rig.file("two.DSO").string());
  EXPECT_EQ(m.activeSlot(), 2);
  EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"Data isn't verified.."});

  // Nobody serving: the sender learns it at once and the caller shows the running-box instead.
  handOver.deleteLater();
  EXPECT_FALSE(FileHandOver::send({"one.DSO"}, socket + ".none", 500));
}

// The real program: a second start with a file is taken by the first and ends with 0.
TEST(StartWithFiles, SecondStartHandsItsFileToTheRunningProgramAndEnds) {
  MainRig rig;
  QuietPort port;
  fs::create_directories(rig.file("config/corvane"));
  fs::create_directories(rig.file("runtime"));
  fs::permissions(rig.file("runtime"), fs::perms::owner_all);
  writeAll(rig.file("config/corvane/KV2040.ini"), "[Devices]\nCOM1=" + port.path + "\n");
  writeAll(rig.file("rec.DSO"), recordBytes());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(rig.file("config").string()));
  env.insert("XDG_RUNTIME_DIR", QString::fromStdString(rig.file("runtime").string()));
  auto start = [&](const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(QString::fromStdString(rig.dir.string()));
    p->start(CORVANE_PATH, args);
    return p;
  };

  auto first = start({"rec.DSO"});
  QElapsedTimer waited;
  waited.start();
  while (!fs::exists(rig.file("runtime/corvane.socket")) && waited.elapsed() < 20000) {
    first->waitForFinished(50);
  }
  ASSERT_TRUE(fs::exists(rig.file("runtime/corvane.socket")))
      << first->readAllStandardError().data();
  auto second = start({"rec.DSO"});
  ASSERT_TRUE(second->waitForFinished(20000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().data();
  auto wrong = start({"--no-such-option"});
  ASSERT_TRUE(wrong->waitForFinished(20000));
  EXPECT_EQ(wrong->exitCode(), 2);
  EXPECT_NE(wrong->readAllStandardError().indexOf("unknown option '--no-such-option'"), -1);
  EXPECT_EQ(first->state(), QProcess::Running);
  first->kill();
  first->waitForFinished(5000);
}

TEST(UserManual, FoundBesideTheProgramInABuildFolderAndInTheInstalledDocFolder) {
  MainRig rig;
  const fs::path prefix = rig.file("usr");
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share/doc/corvane");
  // Neither place holds it: Help names the place beside the program.
  EXPECT_EQ(findUserManual(prefix / "bin"), prefix / "bin/Corvane.html");
  writeAll(prefix / "share/doc/corvane/Corvane.html", "<html></html>");
  EXPECT_EQ(findUserManual(prefix / "bin"), prefix / "share/doc/corvane/Corvane.html");
  writeAll(prefix / "bin/Corvane.html", "<html></html>");
  EXPECT_EQ(findUserManual(prefix / "bin"), prefix / "bin/Corvane.html");
}

}  // namespace
}  // namespace corvane::apptest

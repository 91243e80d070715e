// One QApplication for the whole test program, on the offscreen platform unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <cstdlib>

namespace {

class QtEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};

testing::Environment* const kQtEnvironment = testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

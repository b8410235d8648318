// The Qt tests share one application object.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

QtMessageHandler previous = nullptr;

// The offscreen platform warns about every dialog it sizes; that says nothing.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith("This plugin does not support")) return;
  if (previous) previous(type, context, message);
}

// The offscreen screen has the size of a small real one (1024x768 unless
// VEK_TEST_SCREEN says WIDTHxHEIGHT), so windows are laid out as on a
// desktop and not on the platform's square default. Returns the file that
// describes the screen (removed at the end).
std::string DescribeScreen() {
  const char* asked = std::getenv("VEK_TEST_SCREEN");
  int width = 1024, height = 768;
  if (asked && std::sscanf(asked, "%dx%d", &width, &height) != 2) width = 1024, height = 768;
  const std::string path = "/tmp/vek-test-screen-" + std::to_string(getpid()) + ".json";
  std::ofstream out(path);
  out << R"({"screens":[{"name":"test","x":0,"y":0,"width":)" << width << R"(,"height":)" << height
      << R"(,"logicalDpi":96}]})";
  return out ? path : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  previous = qInstallMessageHandler(QuietHandler);
  // Windows are drawn offscreen unless another platform was asked for (also
  // when ctest lists the tests at build time).
  std::string screen_file;
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    screen_file = DescribeScreen();
    const std::string value = screen_file.empty() ? "offscreen" : "offscreen:configfile=" + screen_file;
    qputenv("QT_QPA_PLATFORM", value.c_str());
  }
  int result = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  if (!screen_file.empty()) std::remove(screen_file.c_str());
  return result;
}

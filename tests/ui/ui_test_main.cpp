// The Qt tests share one application object.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

QtMessageHandler previous = nullptr;

// The offscreen platform warns about every dialog it sizes; that says nothing.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith("This plugin does not support")) return;
  if (previous) previous(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  previous = qInstallMessageHandler(QuietHandler);
  // Windows are drawn offscreen unless a platform was asked for (also when
  // ctest lists the tests at build time).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

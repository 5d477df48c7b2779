// A stand-in for the desktop portal's Screenshot interface, for the Wayland
// stage (scripts/wayland-e2e.sh) on its private session bus. It serves
// org.freedesktop.portal.Screenshot.Screenshot at the portal's name and
// path and answers through the request's Response signal, as the portal
// does:
//   grinzo-portal-standin grim     photographs every output with grim (the
//                                  compositor's own pixels), swaps each
//                                  pixel's green and blue, so that the test
//                                  tells the photograph from the live
//                                  desktop behind a translucent window, and
//                                  answers with the file's uri
//   grinzo-portal-standin refuse   answers 2 (refused)
//   grinzo-portal-standin silent   takes the request and never answers
// Each request is logged on stdout with its options.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>

namespace {

class Portal final : public QDBusVirtualObject {
 public:
  explicit Portal(QString mode) : mode_(std::move(mode)) {}

  QString introspect(const QString&) const override {
    return "<interface name=\"org.freedesktop.portal.Screenshot\">"
           "<method name=\"Screenshot\"><arg type=\"s\" direction=\"in\"/>"
           "<arg type=\"a{sv}\" direction=\"in\"/><arg type=\"o\" direction=\"out\"/></method>"
           "<property name=\"version\" type=\"u\" access=\"read\"/></interface>";
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    QDBusConnection bus(connection);
    if (message.interface() != "org.freedesktop.portal.Screenshot" ||
        message.member() != "Screenshot" || message.arguments().size() != 2) {
      bus.send(message.createErrorReply(QDBusError::UnknownMethod, "no such method"));
      return true;
    }
    const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(1));
    QString sender = message.service().mid(1);
    sender.replace('.', '_');
    const QString token = options.value("handle_token", "t").toString();
    const QString path = "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
    std::printf("Screenshot token=%s interactive=%d\n", qPrintable(token),
                options.value("interactive").toBool() ? 1 : 0);
    std::fflush(stdout);
    bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    if (mode_ == "silent") return true;
    uint code = 2;
    QVariantMap results;
    if (mode_ == "grim") {
      const QString file = QDir::temp().filePath(QString("standin-shot-%1.png").arg(++count_));
      QImage shot;
      if (QProcess::execute("grim", {file}) == 0 && shot.load(file)) {
        shot = shot.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < shot.height(); ++y) {
          auto* row = reinterpret_cast<QRgb*>(shot.scanLine(y));
          for (int x = 0; x < shot.width(); ++x) {
            row[x] = qRgb(qRed(row[x]), qBlue(row[x]), qGreen(row[x]));
          }
        }
        if (shot.save(file, "PNG")) {
          code = 0;
          results["uri"] = QUrl::fromLocalFile(file).toString();
        }
      }
    }
    QDBusMessage response =
        QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
    response << code << results;
    bus.send(response);
    return true;
  }

 private:
  QString mode_;
  int count_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString mode = argc > 1 ? QString(argv[1]) : QString();
  if (mode != "grim" && mode != "refuse" && mode != "silent") {
    std::fprintf(stderr, "usage: grinzo-portal-standin grim|refuse|silent\n");
    return 2;
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  Portal portal(mode);
  if (!bus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal) ||
      !bus.registerService("org.freedesktop.portal.Desktop")) {
    std::fprintf(stderr, "grinzo-portal-standin: cannot serve on the session bus: %s\n",
                 qPrintable(bus.lastError().message()));
    return 1;
  }
  return app.exec();
}

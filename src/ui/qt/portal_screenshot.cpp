#include "ui/qt/portal_screenshot.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace grinzo::qt {

namespace {

const QString kService = "org.freedesktop.portal.Desktop";
const QString kRequest = "org.freedesktop.portal.Request";

// Receives the request's Response signal: 0 done, 1 declined by the user,
// 2 refused or failed.
class ResponseReceiver final : public QObject {
  Q_OBJECT

 public:
  explicit ResponseReceiver(QEventLoop& loop) : loop_(&loop) {}
  bool answered = false;
  uint code = 2;
  QVariantMap results;

 public Q_SLOTS:
  // Any signature: a malformed answer counts as a refusal.
  void response(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    answered = true;
    if (arguments.size() == 2) {
      code = arguments.at(0).toUInt();
      results = qdbus_cast<QVariantMap>(arguments.at(1));
    }
    loop_->quit();
  }

 private:
  QEventLoop* loop_;
};

PortalPicture askPortal(int timeoutMs) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return {{}, "no session bus"};
  // The request's object path is known before the call (the token is ours),
  // so the answer cannot slip by before we listen for it.
  const QString token = QString("grinzo%1").arg(QCoreApplication::applicationPid());
  QString sender = bus.baseService().mid(1);
  sender.replace('.', '_');
  QString requestPath = "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;

  QEventLoop loop;
  ResponseReceiver receiver(loop);
  const char* slot = SLOT(response(QDBusMessage));
  if (!bus.connect(kService, requestPath, kRequest, "Response", &receiver, slot)) {
    return {{}, "cannot listen for the portal's answer: " + bus.lastError().message()};
  }

  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, "/org/freedesktop/portal/desktop",
                                     "org.freedesktop.portal.Screenshot", "Screenshot");
  call << QString()
       << QVariantMap{{"handle_token", token}, {"interactive", false}, {"modal", false}};
  QString failure;
  QDBusPendingCallWatcher watcher(bus.asyncCall(call, timeoutMs));
  QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, [&] {
    QDBusPendingReply<QDBusObjectPath> reply = watcher;
    if (reply.isError()) {
      failure = reply.error().name() + ": " + reply.error().message();
      loop.quit();
      return;
    }
    // An older portal picks the path itself.
    const QString handle = reply.value().path();
    if (!handle.isEmpty() && handle != requestPath) {
      bus.disconnect(kService, requestPath, kRequest, "Response", &receiver, slot);
      bus.connect(kService, handle, kRequest, "Response", &receiver, slot);
      requestPath = handle;
    }
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  if (!receiver.answered) loop.exec();
  bus.disconnect(kService, requestPath, kRequest, "Response", &receiver, slot);

  if (!failure.isEmpty()) return {{}, failure};
  if (!receiver.answered) {
    // Closing the request tells the portal that nobody waits any more.
    bus.call(QDBusMessage::createMethodCall(kService, requestPath, kRequest, "Close"),
             QDBus::NoBlock);
    return {{}, QString("no answer within %1 ms").arg(timeoutMs)};
  }
  if (receiver.code != 0) {
    return {{}, receiver.code == 1 ? "declined" : "refused"};
  }
  const QUrl uri(receiver.results.value("uri").toString());
  if (!uri.isLocalFile()) return {{}, "no local file in the answer: " + uri.toString()};
  const QString file = uri.toLocalFile();
  QImageReader reader(file);
  reader.setAutoTransform(false);
  PortalPicture picture{reader.read(), {}};
  if (picture.image.isNull()) picture.why = file + ": " + reader.errorString();
  QFile::remove(file);
  return picture;
}

}  // namespace

bool gWaiting = false;

PortalPicture portalScreenshot(int timeoutMs) {
  gWaiting = true;
  PortalPicture picture = askPortal(timeoutMs);
  gWaiting = false;
  return picture;
}

bool waitingForPortal() { return gWaiting; }

}  // namespace grinzo::qt

#include "portal_screenshot.moc"

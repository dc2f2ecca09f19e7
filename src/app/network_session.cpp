#include "app/network_session.h"

#include <QSocketNotifier>
#include <arpa/inet.h>

#include "app/main_frame.h"
#include "link/tcp_link.h"
#include "link/text_format.h"
#include "monitor/status_line.h"
#include "res/prompter.h"

namespace kaviro {

namespace {
constexpr int kDisconnectPauseMs = 200;
}

NetworkSession::NetworkSession(CMainFrame& frame) : frame_(frame) {}

NetworkSession::~NetworkSession() { DropLink(); }

void NetworkSession::Reset() {
  DropLink();
  frame_.link().inbox().Reset();
}

void NetworkSession::ConnectOrDisconnect() {
  LinkService& link = frame_.link();
  if (!link.Connected()) {
    const std::string ip = IpText(frame_.config().Get().controllerIp);
    DropLink();
    CreateLink();
    // The immediate result is not looked at: the outcome arrives as a connect event.
    link_->Connect(ip, ControllerTcpPort());
    if (link_->IsOpen()) {
      readNotifier_ = new QSocketNotifier(link_->Descriptor(), QSocketNotifier::Read, this);
      writeNotifier_ = new QSocketNotifier(link_->Descriptor(), QSocketNotifier::Write, this);
      connect(readNotifier_, &QSocketNotifier::activated, this, [this] { OnReady(true); });
      connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { OnReady(false); });
    }
    return;
  }
  frame_.poller().SetEnabled(false);
  frame_.clock().SleepMs(kDisconnectPauseMs);
  if (link_) {
    DropLink();
    frame_.SetNetworkMenuText(false);
    frame_.prompter().Message(&frame_, QString::fromUtf8("断开与服务器的连接!"));
    frame_.ReportConnectionLost();
  }
  frame_.poller().SetEnabled(true);
}

void NetworkSession::CloseSilently() {
  DropLink();
  frame_.SetNetworkMenuText(false);
}

void NetworkSession::CreateLink() {
  link_ = std::make_shared<TcpLink>([this](int event, int error) { OnSocketEvent(event, error); });
  frame_.link().SetConnection(link_);
}

void NetworkSession::DropLink() {
  for (QSocketNotifier** n : {&readNotifier_, &writeNotifier_}) {
    if (*n) {
      (*n)->setEnabled(false);
      (*n)->deleteLater();  // it may be the one whose signal is running
      *n = nullptr;
    }
  }
  if (link_) link_->Close();
  link_.reset();
  frame_.link().SetConnection(nullptr);
  frame_.link().SetConnected(false);
}

void NetworkSession::OnReady(bool readable) {
  const std::shared_ptr<TcpLink> keep = link_;  // an event may drop the link while it is dispatched
  QSocketNotifier* notifier = readable ? readNotifier_ : writeNotifier_;
  if (!keep || !notifier) return;
  notifier->setEnabled(false);
  keep->DispatchReady(readable, !readable);
  if (link_ != keep) return;
  if (readable && readNotifier_) readNotifier_->setEnabled(true);
  if (!readable && writeNotifier_) writeNotifier_->setEnabled(keep->Connecting());
}

void NetworkSession::OnSocketEvent(int event, int error) {
  LinkService& link = frame_.link();
  if (error != 0) {
    if (link.Connected() || event != kSocketConnect) return;
    DropLink();
    frame_.prompter().Message(&frame_, QString::fromUtf8("连接服务器失败!"));
    return;
  }
  if (!link_) return;
  switch (event) {
    case kSocketRead:
      link.inbox().ReceiveFrom(*link_, link.transaction().Current());
      break;
    case kSocketConnect: {
      std::string ip;
      int port = 0;
      if (link_->PeerName(ip, port) != 0) {
        DropLink();
        frame_.prompter().Message(&frame_, QString::fromUtf8("连接服务器失败!"));
        break;
      }
      const int hostPort = ntohs(static_cast<uint16_t>(port));
      link.SetConnected(true);
      frame_.SetNetworkMenuText(true);
      frame_.prompter().Message(&frame_,
                                QString::fromStdString(Format("连接服务器成功! 服务器IP：%s 端口：%d", ip.c_str(), hostPort)));
      const AppConfig c = frame_.config().Get();
      frame_.SetStatusText(
          QString::fromStdString(NetworkStatusLine(ip, hostPort, c.deviceId, c.pollInterval, c.language)));
      break;
    }
    case kSocketClose:
      DropLink();
      frame_.SetNetworkMenuText(false);
      frame_.prompter().Message(&frame_, QString::fromUtf8("断开与服务器的连接"));
      break;
    default: break;
  }
}

}  // namespace kaviro

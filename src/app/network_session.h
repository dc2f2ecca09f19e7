#pragma once
#include <QObject>
#include <memory>

class QSocketNotifier;

namespace kaviro {

class CMainFrame;
class TcpLink;

// The one network connection to the controller: connect and disconnect from the menu, and the
// socket's connect, read and close events turned into link state, menu text and messages.
// Runs on the GUI thread; socket notifiers play the part of the socket notification message.
class NetworkSession final : public QObject {
  Q_OBJECT
 public:
  explicit NetworkSession(CMainFrame& frame);
  ~NetworkSession() override;

  void ConnectOrDisconnect();
  void OnSocketEvent(int event, int error);
  // The work mode left the network: close without a message.
  void CloseSilently();
  // No connection, flags cleared.
  void Reset();
  bool HasLink() const { return link_ != nullptr; }

 private:
  void CreateLink();
  void DropLink();
  void OnReady(bool readable);

  CMainFrame& frame_;
  std::shared_ptr<TcpLink> link_;
  QSocketNotifier* readNotifier_ = nullptr;
  QSocketNotifier* writeNotifier_ = nullptr;
};

}  // namespace kaviro

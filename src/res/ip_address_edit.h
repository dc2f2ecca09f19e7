#pragma once
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QLineEdit;

namespace kaviro::res {

// Four octet fields, in the role of the IP address control: the address packs first octet in
// the most significant byte. A field takes no more than 255 as it is typed.
class IpAddressEdit : public QWidget {
  Q_OBJECT
 public:
  explicit IpAddressEdit(QWidget* parent = nullptr);
  // The address; a control left wholly blank is 0.0.0.0. Nothing when a field is empty while
  // others are not, or holds no octet (over 255): masked, it would name another host.
  std::optional<uint32_t> Address() const;
  void SetAddress(uint32_t address);
  void SetOctetText(int index, const QString& text);  // for typing-like input in tests
  void Clear();

 private:
  std::array<QLineEdit*, 4> fields_{};
};

}  // namespace kaviro::res

#pragma once
#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

namespace kaviro::res {

// Four octet fields, in the role of the IP address control: the address packs first octet in
// the most significant byte. Empty fields count as 0.
class IpAddressEdit : public QWidget {
  Q_OBJECT
 public:
  explicit IpAddressEdit(QWidget* parent = nullptr);
  uint32_t Address() const;
  void SetAddress(uint32_t address);
  void SetOctetText(int index, const QString& text);  // for typing-like input in tests
  void Clear();

 private:
  std::array<QLineEdit*, 4> fields_{};
};

}  // namespace kaviro::res

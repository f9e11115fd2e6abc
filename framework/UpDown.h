#pragma once
// The platform's up-down arrows, usually attached to an edit box (the
// associate) that shows the position as a decimal number.

#include "framework/Controls.h"

class TUpDown : public TControl {
public:
  // Arrows at the right edge of Associate (when given), which from then on
  // shows the position; the range starts as 0 to 100.
  void Create(HWND Parent, int Id, HWND Associate = nullptr);

  // The position; the associate's text counts when it holds a number in range.
  int Position() const;
  // Values outside the range are brought to its nearer end.
  void SetPosition(int Value);
  int Min() const;
  int Max() const;
  void SetMin(int Value);
  void SetMax(int Value);
  void SetRange(int Minimum, int Maximum);

  HWND Associate() const;
  void SetAssociate(HWND Value);
};

// BitArray: the SDK's resizable bit set.
#pragma once

#include <cstddef>
#include <vector>

class BitArray {
public:
    BitArray() = default;
    explicit BitArray(int n) { SetSize(n); }

    // Resizes; with save nonzero the bits that remain keep their values, else all clear.
    void SetSize(int n, int save = 0) {
        if (n < 0) n = 0;
        if (!save)
            bits.assign(static_cast<size_t>(n), false);
        else
            bits.resize(static_cast<size_t>(n), false);
    }
    int GetSize() const { return static_cast<int>(bits.size()); }

    // Indices outside the array are ignored and read as clear.
    void Set(int i) {
        if (Valid(i)) bits[static_cast<size_t>(i)] = true;
    }
    void Set(int i, int b) {
        if (Valid(i)) bits[static_cast<size_t>(i)] = b != 0;
    }
    void Clear(int i) {
        if (Valid(i)) bits[static_cast<size_t>(i)] = false;
    }
    void ClearAll() { bits.assign(bits.size(), false); }
    void SetAll() { bits.assign(bits.size(), true); }
    int operator[](int i) const { return Valid(i) && bits[static_cast<size_t>(i)] ? 1 : 0; }

    int NumberSet() const {
        int n = 0;
        for (bool b : bits) n += b ? 1 : 0;
        return n;
    }

private:
    bool Valid(int i) const { return i >= 0 && static_cast<size_t>(i) < bits.size(); }
    std::vector<bool> bits;
};

#include "base/TextUtil.h"

namespace tarnix {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsIgnoreCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (Lower(*a) != Lower(*b)) return false;
    }
    return *a == *b;
}

bool StartsWithIgnoreCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text == '\0' || Lower(*text) != Lower(*prefix)) return false;
    }
    return true;
}

size_t BoundedLength(const char* field, size_t fieldSize) {
    size_t length = 0;
    while (length < fieldSize && field[length] != '\0') ++length;
    return length;
}

}  // namespace tarnix

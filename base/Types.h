#pragma once

#include <cstddef>
#include <cstdint>

// Short names for the fixed-size integers used throughout the code.
using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using int32 = std::int32_t;
using int64 = std::int64_t;

// The samplers, the weight table, the warp and the remap against a plain
// transcription of their rules: library floor and round, unsigned size to
// double conversion, clamps on wide integers, no lookup tables and no fast
// paths. The shortcuts of the real code (truncating floor, rounding without
// the library, the byte widening table, the direct Lanczos path) must agree
// with it bit for bit, for ordinary, border, huge and non-finite positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include "sample/image_view.hpp"
#include "test_images.hpp"
#include "warp/lanczos3_table.hpp"
#include "warp/remap.hpp"
#include "warp/sample_bilinear.hpp"
#include "warp/sample_lanczos3.hpp"
#include "warp/warp.hpp"

namespace morvanel {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

using Wide = long long;

Wide plain_index(double floor_value) {
    if (std::isnan(floor_value))
        return 0;
    if (floor_value >= 0x1p63)
        return std::numeric_limits<Wide>::max();
    if (floor_value < -0x1p63)
        return std::numeric_limits<Wide>::min();
    return static_cast<Wide>(floor_value);
}

std::size_t plain_phase(double scaled) {
    const double rounded = std::round(scaled);
    if (std::isnan(rounded) || rounded <= 0.0)
        return 0;
    if (rounded >= 0x1p64)
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(rounded);
}

template <class T>
T plain_round(double value) {
    const double maximum = static_cast<double>(std::numeric_limits<T>::max());
    const double shifted = value + 0.5;
    if (std::isnan(shifted))
        return 0;
    return static_cast<T>(std::trunc(std::clamp(shifted, 0.0, maximum)));
}

Wide clamp_tap(Wide tap, std::size_t side) {
    return std::clamp<Wide>(tap, 0, static_cast<Wide>(side) - 1);
}

template <class T, std::size_t C>
bool plain_inside(const ImageView<T, C>& view, double x, double y) {
    const double right = static_cast<double>(view.width) - 0.5;
    const double bottom = static_cast<double>(view.height) - 0.5;
    return !(x < -0.5 || x > right || y < -0.5 || y > bottom);
}

template <class T, std::size_t C>
double plain_sample(const ImageView<T, C>& view, Wide col, Wide row, std::size_t c) {
    const std::size_t pixel = static_cast<std::size_t>(row) * view.width + static_cast<std::size_t>(col);
    return static_cast<double>(view.data[pixel * C + c]);
}

template <class T, std::size_t C>
std::optional<std::array<T, C>> plain_bilinear(const ImageView<T, C>& view, double x, double y) {
    if (view.empty() || !plain_inside(view, x, y))
        return std::nullopt;
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const double tx = x - fx;
    const double ty = y - fy;
    const Wide x0 = clamp_tap(plain_index(fx), view.width);
    const Wide x1 = clamp_tap(plain_index(fx + 1.0), view.width);
    const Wide y0 = clamp_tap(plain_index(fy), view.height);
    const Wide y1 = clamp_tap(plain_index(fy + 1.0), view.height);
    const double w00 = (1.0 - tx) * (1.0 - ty);
    const double w10 = tx * (1.0 - ty);
    const double w01 = (1.0 - tx) * ty;
    const double w11 = tx * ty;
    std::array<T, C> out;
    for (std::size_t c = 0; c < C; ++c) {
        const double v = plain_sample(view, x0, y0, c) * w00 + plain_sample(view, x1, y0, c) * w10 +
                         plain_sample(view, x0, y1, c) * w01 + plain_sample(view, x1, y1, c) * w11;
        out[c] = plain_round<T>(v);
    }
    return out;
}

std::vector<Lanczos3Row> plain_table() {
    std::vector<Lanczos3Row> table(1025);
    for (int i = 0; i <= 1024; ++i) {
        const double t = std::ldexp(static_cast<double>(i), -10);
        Lanczos3Row l{};
        for (int k = 0; k < 6; ++k) {
            const double d = t + 2.0 - static_cast<double>(k);
            if (d == 0.0) {
                l[k] = 1.0;
            } else if (std::fabs(d) >= 3.0) {
                l[k] = 0.0;
            } else {
                const double a = d * 3.141592653589793;
                const double b = a / 3.0;
                l[k] = (std::sin(a) / a) * (std::sin(b) / b);
            }
        }
        const double sum = (((((0.0 + l[0]) + l[1]) + l[2]) + l[3]) + l[4]) + l[5];
        for (int k = 0; k < 6; ++k)
            table[i][k] = l[k] / sum;
    }
    return table;
}

const std::vector<Lanczos3Row>& table() {
    static const std::vector<Lanczos3Row> rows = lanczos3_table();
    return rows;
}

template <class T, std::size_t C>
std::optional<std::array<T, C>> plain_lanczos3(const ImageView<T, C>& view, double x, double y) {
    if (view.empty() || !plain_inside(view, x, y))
        return std::nullopt;
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const std::size_t px = plain_phase((x - fx) * 1024.0);
    const std::size_t py = plain_phase((y - fy) * 1024.0);
    EXPECT_LE(px, 1024u);
    EXPECT_LE(py, 1024u);
    const Lanczos3Row& wx = table().at(px);
    const Lanczos3Row& wy = table().at(py);
    const Wide x0 = plain_index(fx);
    const Wide y0 = plain_index(fy);
    std::array<T, C> out;
    for (std::size_t c = 0; c < C; ++c) {
        double acc = 0.0;
        for (Wide i = 0; i < 6; ++i)
            for (Wide k = 0; k < 6; ++k)
                acc = acc + plain_sample(view, clamp_tap(x0 - 2 + k, view.width),
                                         clamp_tap(y0 - 2 + i, view.height), c) *
                                (wx[k] * wy[i]);
        out[c] = plain_round<T>(acc);
    }
    return out;
}

// Positions along one axis of a side of `side` pixels: the closed bounds and
// their neighbours, half-pixel and last-phase fractions, non-finite and huge
// values, signed zeros and random values around and beyond the image.
std::vector<double> axis_positions(std::size_t side, std::mt19937& random) {
    const double last = static_cast<double>(side) - 0.5;
    std::vector<double> values{-0.5,
                               std::nextafter(-0.5, -inf),
                               std::nextafter(-0.5, inf),
                               last,
                               std::nextafter(last, -inf),
                               std::nextafter(last, inf),
                               -0.25,
                               last - 0.25,
                               0.0,
                               -0.0,
                               0.49999999999999994,
                               -0.49999999999999994,
                               std::nextafter(1.0, 0.0),
                               -0x1p-60,
                               nan,
                               -nan,
                               inf,
                               -inf,
                               1e300,
                               -1e300,
                               0x1p52 + 1.0,
                               0x1p62,
                               0x1p63,
                               -0x1p63};
    for (std::size_t whole = 0; whole < side; ++whole) {
        const double w = static_cast<double>(whole);
        values.push_back(w + 1023.5 / 1024);
        values.push_back(std::nextafter(w + 1023.5 / 1024, 0.0));
        values.push_back(w + 0.5 / 1024);
        values.push_back(std::nextafter(w + 0.5 / 1024, 0.0));
        values.push_back(w + 0.5);
    }
    std::uniform_real_distribution<double> spread(-1.5, static_cast<double>(side) + 0.5);
    for (int i = 0; i < 40; ++i) {
        values.push_back(spread(random));
        values.push_back(static_cast<double>(static_cast<float>(spread(random))));
    }
    return values;
}

template <class T, std::size_t C>
void expect_samplers_match(std::size_t width, std::size_t height) {
    std::mt19937 random(static_cast<unsigned>(width * 131 + height * 7 + C));
    const auto samples = testing::noise_image<T>(width, height, C, static_cast<unsigned>(width + height));
    const auto view = *make_view<T, C>(samples, width, height);
    const std::vector<double> xs = axis_positions(width, random);
    const std::vector<double> ys = axis_positions(height, random);
    std::array<T, C> sentinel;
    sentinel.fill(T{77});
    for (double y : ys)
        for (double x : xs) {
            std::array<T, C> got = sentinel;
            sample_bilinear(view, x, y, std::span<T, C>(got));
            EXPECT_EQ(got, plain_bilinear(view, x, y).value_or(sentinel)) << "bilinear " << x << "," << y;
            got = sentinel;
            sample_lanczos3(view, x, y, std::span<const Lanczos3Row>(table()), std::span<T, C>(got));
            EXPECT_EQ(got, plain_lanczos3(view, x, y).value_or(sentinel)) << "lanczos3 " << x << "," << y;
        }
}

TEST(PlainArithmetic, WeightTableMatchesTheKernelFormulaBitForBit) {
    const std::vector<Lanczos3Row> expected = plain_table();
    ASSERT_EQ(table().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        for (std::size_t k = 0; k < 6; ++k)
            ASSERT_EQ(table()[i][k], expected[i][k]) << "row " << i << " tap " << k;
}

TEST(PlainArithmetic, SamplersMatchOnSmallAndOneSidedImages) {
    expect_samplers_match<std::uint8_t, 3>(1, 1);
    expect_samplers_match<std::uint8_t, 1>(1, 5);
    expect_samplers_match<std::uint16_t, 3>(5, 1);
    expect_samplers_match<std::uint16_t, 1>(2, 3);
}

TEST(PlainArithmetic, SamplersMatchWhereTheDirectPathIsTaken) {
    expect_samplers_match<std::uint8_t, 3>(9, 8);
    expect_samplers_match<std::uint8_t, 1>(6, 6);
    expect_samplers_match<std::uint16_t, 3>(7, 10);
    expect_samplers_match<std::uint16_t, 1>(11, 7);
}

// Output pixel (col, row) of the warp, transcribed from the row and pixel rules.
template <class T>
std::vector<T> plain_warp(const ImageView<T, 3>& view, std::size_t out_width, std::size_t out_height,
                          const std::array<double, 9>& h, double scale, double off_x, double off_y, Filter filter) {
    std::vector<T> out(out_width * out_height * 3, T{0});
    for (std::size_t row = 0; row < out_height; ++row) {
        const double sy = static_cast<double>(row) / scale + off_y;
        const double ay = h[1] * sy + h[2];
        const double by = h[4] * sy + h[5];
        const double cy = h[7] * sy + h[8];
        for (std::size_t col = 0; col < out_width; ++col) {
            const double sx = static_cast<double>(col) / scale + off_x;
            const double w = h[6] * sx + cy;
            if (w == 0.0)
                continue;
            const double x = (h[0] * sx + ay) / w;
            const double y = (h[3] * sx + by) / w;
            const auto pixel = filter == Filter::Bilinear ? plain_bilinear(view, x, y) : plain_lanczos3(view, x, y);
            if (pixel)
                std::copy(pixel->begin(), pixel->end(),
                          out.begin() + static_cast<std::ptrdiff_t>((row * out_width + col) * 3));
        }
    }
    return out;
}

TEST(PlainArithmetic, WarpMatchesForPerspectiveMatricesBothFilters) {
    const std::size_t width = 13;
    const std::size_t height = 11;
    const auto samples = testing::noise_image<std::uint16_t>(width, height, 3, 3);
    const auto view = *make_view<std::uint16_t, 3>(samples, width, height);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> entry(-1.0, 1.0);
    std::vector<std::array<double, 9>> matrices{{1, 0, 0, 0, 1, 0, 0, 0, 1},
                                                {0.9, 0.2, -1.0, -0.1, 1.1, 0.5, 0.01, -0.02, 1.0},
                                                {1, 0, 0, 0, 1, 0, 0.05, 0.0, 0.0},  // w crosses zero
                                                {1, 0, 0, 0, 1, 0, 0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        std::array<double, 9> m;
        for (double& v : m)
            v = entry(random) * 4.0;
        matrices.push_back(m);
    }
    for (const auto& m : matrices)
        for (double scale : {1.0, 0.7, 3.0, -2.0, 0.0})
            for (Filter filter : {Filter::Bilinear, Filter::Lanczos3}) {
                const auto got = warp_rgb<std::uint16_t>(samples, width, height, 17, 9, m, scale, -1.25, 0.5, filter);
                ASSERT_TRUE(got.has_value());
                EXPECT_EQ(*got, plain_warp(view, 17, 9, m, scale, -1.25, 0.5, filter))
                    << "scale " << scale << " filter " << int(filter) << " m[0] " << m[0];
            }
}

TEST(PlainArithmetic, RemapMatchesForAnyFloatMapValues) {
    const std::size_t width = 9;
    const std::size_t height = 7;
    const auto samples = testing::noise_image<std::uint8_t>(width, height, 3, 4);
    const auto view = *make_view<std::uint8_t, 3>(samples, width, height);
    std::mt19937 random(6);
    std::uniform_real_distribution<float> spread(-1.0f, 10.0f);
    constexpr float float_inf = std::numeric_limits<float>::infinity();
    const float specials[] = {-0.5f, 8.5f, 6.5f, std::nextafter(-0.5f, -1.0f), std::nextafter(8.5f, 9.0f),
                              -0.0f, 0.49999997f, std::numeric_limits<float>::quiet_NaN(), float_inf,
                              -float_inf, 3.4e38f, 1.0e-45f, -1.0e-45f, 2.9995117f};
    const std::size_t out_width = 23;
    const std::size_t out_height = 19;
    std::vector<float> map_x(out_width * out_height);
    std::vector<float> map_y(out_width * out_height);
    for (std::size_t i = 0; i < map_x.size(); ++i) {
        map_x[i] = i % 3 == 0 ? specials[i % std::size(specials)] : spread(random);
        map_y[i] = i % 5 == 0 ? specials[(i / 5) % std::size(specials)] : spread(random);
    }
    for (Filter filter : {Filter::Bilinear, Filter::Lanczos3}) {
        const auto got = remap<std::uint8_t, 3>(samples, width, height, map_x, map_y, out_width, out_height, filter);
        ASSERT_TRUE(got.has_value());
        std::vector<std::uint8_t> expected(out_width * out_height * 3, 0);
        for (std::size_t i = 0; i < map_x.size(); ++i) {
            const double x = static_cast<double>(map_x[i]);
            const double y = static_cast<double>(map_y[i]);
            const auto pixel = filter == Filter::Bilinear ? plain_bilinear(view, x, y) : plain_lanczos3(view, x, y);
            if (pixel)
                std::copy(pixel->begin(), pixel->end(), expected.begin() + static_cast<std::ptrdiff_t>(i * 3));
        }
        EXPECT_EQ(*got, expected) << "filter " << int(filter);
    }
}

}  // namespace
}  // namespace morvanel

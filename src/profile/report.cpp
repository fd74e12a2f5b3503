// The zone profiler's text reports: the call tree and the flat list by self time, 79 columns a
// line, each rendered in place into one reused buffer; also the zone sort and file output.

#include "profile/profiler.h"

#include "profile/profiler_internal.h"

#include <cmath>
#include <cstdio>
#include <cstring>

static const int kLineWidth = 79;
static const int kNameWidth = 40;
static const int kFiguresWidth = 39;

struct ProfileUnit {
    float threshold;  // ticks
    float factor;     // units per tick
    const char* suffix;
};

static ProfileUnit units[4] = {{0, 0, "s"}, {0, 0, "ms"}, {0, 0, "us"}, {0, 0, "ns"}};

static const ProfileUnit& choose_unit(float ticks)
{
    if (units[0].threshold == 0) {
        double frequency = static_cast<double>(clock_frequency());
        double per_tick = seconds_per_tick();
        double scale = 1;
        for (ProfileUnit& unit : units) {
            unit.threshold = static_cast<float>(frequency / scale);
            unit.factor = static_cast<float>(per_tick * scale);
            scale *= 1000;
        }
    }
    for (int i = 0; i < 3; i++)
        if (units[i].threshold < ticks)
            return units[i];
    return units[3];
}

// Appends to a part of a line that is already blank; what does not fit is dropped.
struct LineWriter {
    char* p;
    char* end;

    void put(const char* text, size_t length)
    {
        size_t room = static_cast<size_t>(end - p);
        length = length < room ? length : room;
        memcpy(p, text, length);
        p += length;
    }
    void skip(int count)
    {
        if (count > 0)
            p += count < end - p ? count : end - p;
    }
};

// A number right-aligned in `width` with 0 or 1 decimals, as printf's "%*.*f" writes it; a value
// that is infinite or not a number shows as "-". Written by hand: printf made the tree report
// twenty times slower.
static void put_number(LineWriter& out, int width, int precision, float value)
{
    if (!std::isfinite(value)) {
        out.skip(width - 1);
        out.put("-", 1);
        return;
    }
    // A float times 10 is exact in double, so rounding here matches printf's.
    double scaled = static_cast<double>(value) * (precision ? 10 : 1);
    if (std::fabs(scaled) >= 1e15) {
        char text[64];
        int length = snprintf(text, sizeof text, "%*.*f", width, precision, static_cast<double>(value));
        out.put(text, static_cast<size_t>(length) < sizeof text ? length : sizeof text - 1);
        return;
    }
    auto digits = static_cast<uint64_t>(std::nearbyint(std::fabs(scaled)));
    char text[24];
    char* first = text + sizeof text;
    if (precision) {
        *--first = static_cast<char>('0' + digits % 10);
        digits /= 10;
        *--first = '.';
    }
    do {
        *--first = static_cast<char>('0' + digits % 10);
        digits /= 10;
    } while (digits);
    if (std::signbit(value))
        *--first = '-';
    int length = static_cast<int>(text + sizeof text - first);
    out.skip(width - length);
    out.put(first, length);
}

// A unit's suffix left-aligned in two columns, and the blank after it.
static void put_suffix(LineWriter& out, const char* suffix)
{
    int length = suffix[1] ? 2 : 1;
    out.put(suffix, length);
    out.skip(3 - length);
}

// The 39 columns of figures; a number wider than its field pushes the rest right and the
// line is cut at its width.
static void put_figures(char* line, const ProfileStats& stats, float percent_factor)
{
    float total = stats.self_average + stats.nested_average;
    const ProfileUnit& self_unit = choose_unit(stats.self_average);
    const ProfileUnit& total_unit = choose_unit(total);

    LineWriter out{line, line + kFiguresWidth};
    out.skip(1);
    put_number(out, 6, 1, stats.calls_average);
    out.skip(1);
    put_number(out, 6, 0, stats.self_average * self_unit.factor);
    out.skip(1);
    put_suffix(out, self_unit.suffix);
    put_number(out, 4, 0, stats.self_average * percent_factor);
    out.put("%", 1);
    out.skip(1);
    put_number(out, 6, 0, total * total_unit.factor);
    out.skip(1);
    put_suffix(out, total_unit.suffix);
    put_number(out, 4, 0, total * percent_factor);
    out.put("%", 1);
}

// Indentation of two blanks a level, then the name, cut at 40 columns (already blank).
static void put_name(char* line, uint32_t depth, const char* name)
{
    LineWriter out{line, line + kNameWidth};
    out.skip(depth < kNameWidth / 2 ? static_cast<int>(depth) * 2 : kNameWidth);
    if (name)
        out.put(name, strlen(name));
}

static void put_header(char* line, const char* title)
{
    char text[kLineWidth + 1];
    snprintf(text, sizeof text, "%-*s %*s %*s %*s", kNameWidth, title, 6, "calls", 15,
             "self time", 15, "total time");
    memcpy(line, text, kLineWidth);
}

// Sizes the buffer for `entries` lines below the header and puts the newlines in place.
static char* start_report(std::string& buffer, uint32_t entries, const char* title)
{
    size_t size = (static_cast<size_t>(entries) + 1) * (kLineWidth + 1) - 1;
    buffer.assign(size, ' ');
    for (size_t i = kLineWidth; i < size; i += kLineWidth + 1)
        buffer[i] = '\n';
    put_header(buffer.data(), title);
    return buffer.data() + kLineWidth + 1;
}

static void render_tree(std::string& buffer)
{
    char* line = start_report(buffer, profiler_core().node_count, "call tree");
    float percent_factor = 100.0f / profiler_core().root_node.stats.nested_average;
    ProfileNode* root = &profiler_core().root_node;
    ProfileNode* node = root;
    for (;;) {
        put_name(line, node->depth, node->zone->name);
        put_figures(line + kNameWidth, node->stats, percent_factor);
        line += kLineWidth + 1;

        if (node->first_child) {
            node = node->first_child;
            continue;
        }
        while (node != root && !node->next_sibling)
            node = node->parent;
        if (node == root)
            return;
        node = node->next_sibling;
    }
}

static void render_flat(std::string& buffer)
{
    char* line = start_report(buffer, profiler_core().zone_count, "sorted list");
    float percent_factor = 100.0f / profiler_core().root_zone.stats.nested_average;
    for (ProfileZone* zone = &profiler_core().root_zone; zone; zone = zone->next) {
        put_name(line, 0, zone->name);
        put_figures(line + kNameWidth, zone->stats, percent_factor);
        line += kLineWidth + 1;
    }
}

const char* error_text()
{
    if (profiler_core().update_pending)
        return "!!! Profile data must first be updated !!!";
    if (!profiler_core().initialized)
        return "!!! No profiles where executed !!!";
    return nullptr;
}

static std::string report_buffer;

const std::string& tree_text()
{
    if (const char* error = error_text())
        report_buffer = error;
    else
        render_tree(report_buffer);
    return report_buffer;
}

const std::string& flat_text()
{
    if (const char* error = error_text()) {
        report_buffer = error;
    } else {
        sort_zones();
        render_flat(report_buffer);
    }
    return report_buffer;
}

bool output(const char* path)
{
    FILE* file = path ? fopen(path, "w") : stdout;
    if (!file)
        return false;
    if (const char* error = error_text()) {
        fprintf(file, "%s\n\n", error);
    } else {
        sort_zones();
        render_flat(report_buffer);
        fwrite(report_buffer.data(), 1, report_buffer.size(), file);
        fputs("\n\n", file);
        render_tree(report_buffer);
        fwrite(report_buffer.data(), 1, report_buffer.size(), file);
        fputs("\n\n", file);
    }
    if (path)
        fclose(file);
    else
        fflush(file);
    return true;
}

struct ZoneQueue {
    ProfileZone* head = nullptr;
    ProfileZone* tail = nullptr;
    uint32_t count = 0;

    void push_front(ProfileZone* zone)
    {
        zone->next = head;
        head = zone;
        if (!tail)
            tail = zone;
        count++;
    }
    void push_back(ProfileZone* zone)
    {
        zone->next = nullptr;
        if (tail)
            tail->next = zone;
        else
            head = zone;
        tail = zone;
        count++;
    }
    ProfileZone* pop_front()
    {
        ProfileZone* zone = head;
        head = zone->next;
        if (!head)
            tail = nullptr;
        count--;
        return zone;
    }
};

// Merges one run of up to `run` zones from each of `a` and `b` onto the back of `out`; ties
// go to `a`.
static void merge_runs(ZoneQueue& a, ZoneQueue& b, ZoneQueue& out, uint32_t run)
{
    uint32_t left_a = run < a.count ? run : a.count;
    uint32_t left_b = run < b.count ? run : b.count;
    while (left_a > 0 || left_b > 0) {
        bool take_b = left_b > 0 &&
                      (left_a == 0 || b.head->stats.self_average > a.head->stats.self_average);
        if (take_b) {
            out.push_back(b.pop_front());
            left_b--;
        } else {
            out.push_back(a.pop_front());
            left_a--;
        }
    }
}

// Bottom-up merge sort over four queues, largest self average first.
void sort_zones()
{
    if (!profiler_core().root_zone.next)
        return;
    ZoneQueue queues[4];
    int parity = 0;
    for (ProfileZone* zone = profiler_core().root_zone.next; zone;) {
        ProfileZone* next = zone->next;
        queues[parity].push_front(zone);
        parity ^= 1;
        zone = next;
    }
    int i = 0;
    for (uint32_t run = 1; queues[i + 1].count > 0; run *= 2) {
        int o = i ^ 2;
        queues[o] = ZoneQueue{};
        queues[o + 1] = ZoneQueue{};
        for (int target = 0; queues[i].count > 0 || queues[i + 1].count > 0; target ^= 1)
            merge_runs(queues[i], queues[i + 1], queues[o + target], run);
        i = o;
    }
    relink_zones(queues[i].head, queues[i].tail);
}

#include "tools/mkdist/huffman.h"

#include <algorithm>
#include <numeric>
#include <queue>

namespace mkdist {

std::vector<std::uint8_t> HuffmanLengths(const std::vector<std::uint32_t>& freq, int maxLength) {
  const std::size_t n = freq.size();
  std::vector<std::uint8_t> lengths(n, 0);
  std::vector<std::size_t> used;
  for (std::size_t i = 0; i < n; ++i)
    if (freq[i] > 0) used.push_back(i);
  if (used.size() < 2) return lengths;

  // Plain Huffman tree over the used symbols: depth of every leaf.
  struct Node {
    std::uint64_t weight;
    std::size_t id;
    bool operator>(const Node& o) const {
      return weight != o.weight ? weight > o.weight : id > o.id;
    }
  };
  std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
  std::vector<std::size_t> parent(2 * used.size(), 0);
  for (std::size_t k = 0; k < used.size(); ++k) heap.push({freq[used[k]], k});
  std::size_t next = used.size();
  while (heap.size() > 1) {
    Node a = heap.top();
    heap.pop();
    Node b = heap.top();
    heap.pop();
    parent[a.id] = parent[b.id] = next;
    heap.push({a.weight + b.weight, next});
    ++next;
  }
  const std::size_t root = next - 1;
  std::vector<int> depth(next, 0);
  for (std::size_t id = root; id-- > 0;) depth[id] = depth[parent[id]] + 1;

  // Count leaves per length, folding anything too long into the longest length, then restore
  // the Kraft sum by lengthening the deepest shorter codes.
  std::vector<std::uint64_t> count(static_cast<std::size_t>(maxLength) + 1, 0);
  for (std::size_t k = 0; k < used.size(); ++k) ++count[static_cast<std::size_t>(std::min(depth[k], maxLength))];
  const std::uint64_t full = std::uint64_t{1} << maxLength;
  std::uint64_t kraft = 0;
  for (int len = 1; len <= maxLength; ++len) kraft += count[static_cast<std::size_t>(len)] << (maxLength - len);
  while (kraft > full) {
    --count[static_cast<std::size_t>(maxLength)];
    for (int len = maxLength - 1; len >= 1; --len) {
      if (count[static_cast<std::size_t>(len)] > 0) {
        --count[static_cast<std::size_t>(len)];
        count[static_cast<std::size_t>(len) + 1] += 2;
        break;
      }
    }
    --kraft;
  }

  // Shortest codes to the most frequent symbols.
  std::vector<std::size_t> order(used);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return freq[a] > freq[b]; });
  std::size_t at = 0;
  for (int len = 1; len <= maxLength; ++len)
    for (std::uint64_t c = 0; c < count[static_cast<std::size_t>(len)]; ++c)
      lengths[order[at++]] = static_cast<std::uint8_t>(len);
  return lengths;
}

std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
  std::uint32_t count[18] = {};
  for (std::uint8_t l : lengths) ++count[l];
  std::uint32_t start[18] = {};
  for (int len = 1; len <= 16; ++len) start[len + 1] = (start[len] + count[len]) << 1;
  std::vector<std::uint16_t> codes(lengths.size(), 0);
  for (std::size_t i = 0; i < lengths.size(); ++i)
    if (lengths[i] > 0) codes[i] = static_cast<std::uint16_t>(start[lengths[i]]++);
  return codes;
}

}  // namespace mkdist

// The operand checker: for one intended kernel call, decides whether every precondition of that
// kernel holds, from the kernel's arguments and the caller's array lengths. It reads the
// caller's arrays only within the lengths it was given and already verified, writes nothing
// but the message, and never calls a kernel.
//
// The order of the checks is fixed, so that one malformed operand always gets the same
// message: dimensions; Aptr (presence, length, start, order); the entry arrays against the
// last start position; the dense arrays; overlap of outputs with inputs and each other; the
// indices (and, for a solve, the triangular structure); and last, on request, zero divisors.
//
// An array the call never touches needs no elements and may be null. The kernels return before
// reading Aptr when there are no compressed vectors (and the matrix product when n == 0), so
// then neither Aptr nor the entry arrays are required.
#include "spkernels/check.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

using std::int32_t;
using std::int64_t;
using std::size_t;

// What the kernel needs of the triangular structure, or of the index range, of its operand.
enum class Layout {
  csc_product,  // every index in 0 .. m - 1, positions from Aptr[0] on
  csr_product,  // every index in 0 .. m - 1, Aptr[0] == 0 (values read through a cursor)
  symm,         // diagonal and upper indices below m, Aptr[0] == 0; lower entries unused
  csc_lower,    // divisor first in each column, others below
  csc_upper,    // divisor last in each column, others above
  csr_lower,    // divisor found by index anywhere in the row, others left
  csr_upper,    // divisor first in each row, others right
};

bool is_solve(Layout layout) {
  return layout == Layout::csc_lower || layout == Layout::csc_upper ||
         layout == Layout::csr_lower || layout == Layout::csr_upper;
}

struct Dense {
  const char* name;
  const double* ptr;
  size_t len;
  size_t need;            // elements the call reads or writes, from the first
  const char* need_text;  // how need follows from the dimensions, e.g. "n"
  const char* rule;       // why the array must hold them
  bool output;
};

struct Call {
  Layout layout;
  int32_t count;           // compressed vectors
  const char* count_name;  // "n", or "k" in the matrix product
  int32_t extent;          // indices lie below it
  const char* extent_name;
  bool reads_operand;      // false when the kernel returns before reading Aptr
  const double* Aval;
  size_t Aval_len;
  const double* AvalIm;  // null with complex == false
  size_t AvalIm_len;
  bool complex;
  const int32_t* Aind;
  size_t Aind_len;
  const int32_t* Aptr;
  size_t Aptr_len;
  Dense dense[4];
  int dense_count;
};

class Report {
 public:
  Report(char* message, size_t size) : message_(message), size_(size) {
    if (message_ && size_) message_[0] = '\0';
  }
  __attribute__((format(printf, 3, 4))) int fail(int code, const char* format, ...) {
    if (message_ && size_) {
      va_list args;
      va_start(args, format);
      std::vsnprintf(message_, size_, format, args);
      va_end(args);
    }
    return code;
  }

 private:
  char* message_;
  size_t size_;
};

const char* vector_word(Layout layout) {
  switch (layout) {
    case Layout::csc_product:
    case Layout::csc_lower:
    case Layout::csc_upper:
      return "column";
    default:
      return "row";
  }
}

const char* index_word(Layout layout) {
  return vector_word(layout)[0] == 'c' ? "row" : "column";
}

// An address or byte count with room for twice the pointer's width, so that no end wraps:
// 128 bits on 64-bit targets, 64 on 32-bit ones, which have no 128-bit type.
#if defined(__SIZEOF_INT128__)
using Wide = unsigned __int128;
#else
using Wide = std::uint64_t;
#endif
static_assert(sizeof(Wide) >= 2 * sizeof(std::uintptr_t) && sizeof(Wide) >= 2 * sizeof(size_t));

// A run of bytes in the address space, wide enough that no end wraps.
struct Span {
  Wide begin, end;
  bool empty() const { return begin == end; }
  bool overlaps(const Span& other) const {
    return !empty() && !other.empty() && begin < other.end && other.begin < end;
  }
};

template <class T>
Span span_of(const T* ptr, size_t first, size_t count) {
  const Wide base = reinterpret_cast<std::uintptr_t>(ptr);
  return {base + (Wide)first * sizeof(T), base + ((Wide)first + count) * sizeof(T)};
}

int check_dimension(Report& report, const char* name, int32_t value) {
  if (value < 0)
    return report.fail(SPK_ERR_DIMENSION, "%s = %d is negative: dimensions must not be negative",
                       name, value);
  return SPK_OK;
}

// A null array must have length 0, and only an array the call does not touch may be null.
int check_present(Report& report, const char* name, const void* ptr, size_t len, size_t need,
                  const char* need_text) {
  if (ptr) return SPK_OK;
  if (need > 0)
    return report.fail(SPK_ERR_NULL, "%s is null but the call uses %s = %zu elements of it", name,
                       need_text, need);
  if (len > 0)
    return report.fail(SPK_ERR_NULL, "%s is null but %s_len = %zu: a null array must have length 0",
                       name, name, len);
  return SPK_OK;
}

int check_aptr(Report& report, const Call& call) {
  const size_t need = size_t(call.count) + 1;
  const char* word = vector_word(call.layout);
  if (int code = check_present(report, "Aptr", call.Aptr, call.Aptr_len, need,
                               call.count_name[0] == 'k' ? "k + 1" : "n + 1"))
    return code;
  if (call.Aptr_len < need)
    return report.fail(SPK_ERR_APTR,
                       "Aptr_len = %zu is less than %s + 1 = %zu: Aptr must hold the start of "
                       "every %s and one past the last",
                       call.Aptr_len, call.count_name, need, word);
  const int32_t* Aptr = call.Aptr;
  const bool cursor = call.layout == Layout::csr_product || call.layout == Layout::symm;
  if (cursor && Aptr[0] != 0)
    return report.fail(SPK_ERR_APTR,
                       "Aptr[0] = %d is not 0: values are read from Aval[0] on, so the first "
                       "row must start at position 0",
                       Aptr[0]);
  if (Aptr[0] < 0)
    return report.fail(SPK_ERR_APTR, "Aptr[0] = %d is negative: start positions must not be negative",
                       Aptr[0]);
  for (int32_t j = 0; j < call.count; ++j)
    if (Aptr[j + 1] < Aptr[j])
      return report.fail(SPK_ERR_APTR,
                         "Aptr[%d] = %d is less than Aptr[%d] = %d: start positions must not "
                         "decrease",
                         j + 1, Aptr[j + 1], j, Aptr[j]);
  return SPK_OK;
}

int check_entries(Report& report, const Call& call, const char* name, const void* ptr, size_t len) {
  const int32_t first = call.Aptr[0], last = call.Aptr[call.count];
  const size_t stored = size_t(last - first);
  if (!ptr && (stored > 0 || len > 0)) {
    if (stored > 0)
      return report.fail(SPK_ERR_NULL, "%s is null but Aptr[%d] - Aptr[0] = %zu entries are stored",
                         name, call.count, stored);
    return report.fail(SPK_ERR_NULL, "%s is null but %s_len = %zu: a null array must have length 0",
                       name, name, len);
  }
  if (size_t(last) > len)
    return report.fail(SPK_ERR_APTR,
                       "Aptr[%d] = %d is beyond the end of %s (%s_len = %zu): every stored entry "
                       "must lie inside %s",
                       call.count, last, name, name, len, name);
  return SPK_OK;
}

int check_dense(Report& report, const Dense& d) {
  if (int code = check_present(report, d.name, d.ptr, d.len, d.need, d.need_text)) return code;
  if (d.len < d.need)
    return report.fail(SPK_ERR_LENGTH, "%s_len = %zu is less than %s = %zu: %s", d.name, d.len,
                       d.need_text, d.need, d.rule);
  return SPK_OK;
}

int check_overlap(Report& report, const Call& call) {
  struct Region {
    const char* name;
    Span span;
    const void* ptr;
  };
  Region inputs[6];
  int input_count = 0;
  if (call.reads_operand) {
    const size_t first = size_t(call.Aptr[0]);
    const size_t stored = size_t(call.Aptr[call.count]) - first;
    inputs[input_count++] = {"Aval", span_of(call.Aval, first, stored), call.Aval};
    if (call.complex) inputs[input_count++] = {"AvalIm", span_of(call.AvalIm, first, stored), call.AvalIm};
    inputs[input_count++] = {"Aind", span_of(call.Aind, first, stored), call.Aind};
    inputs[input_count++] = {"Aptr", span_of(call.Aptr, 0, size_t(call.count) + 1), call.Aptr};
  }
  Region outputs[2];
  int output_count = 0;
  for (int t = 0; t < call.dense_count; ++t) {
    const Dense& d = call.dense[t];
    Region region{d.name, span_of(d.ptr, 0, d.need), d.ptr};
    if (d.output)
      outputs[output_count++] = region;
    else
      inputs[input_count++] = region;
  }
  const bool in_place = is_solve(call.layout);
  for (int o = 0; o < output_count; ++o) {
    for (int i = 0; i < input_count; ++i) {
      if (!outputs[o].span.overlaps(inputs[i].span)) continue;
      if (in_place && std::strcmp(inputs[i].name, "B") == 0) {
        if (outputs[o].ptr == inputs[i].ptr) continue;
        return report.fail(SPK_ERR_OVERLAP,
                           "%s overlaps B without being the same array: a solve may run in place "
                           "only with C == B",
                           outputs[o].name);
      }
      return report.fail(SPK_ERR_OVERLAP,
                         "%s overlaps %s: an output must not share storage with an input",
                         outputs[o].name, inputs[i].name);
    }
    for (int p = 0; p < o; ++p)
      if (outputs[o].span.overlaps(outputs[p].span))
        return report.fail(SPK_ERR_OVERLAP, "%s overlaps %s: the outputs must not share storage",
                           outputs[o].name, outputs[p].name);
  }
  return SPK_OK;
}

int index_out_of_range(Report& report, const Call& call, int32_t p, int32_t j, const char* which) {
  return report.fail(SPK_ERR_INDEX,
                     "Aind[%d] = %d in %s %d is out of range: %s indices%s must be at least 0 and "
                     "less than %s = %d",
                     p, call.Aind[p], vector_word(call.layout), j, index_word(call.layout), which,
                     call.extent_name, call.extent);
}

// Products: every index the kernel uses lies in 0 .. extent - 1.
int check_product_indices(Report& report, const Call& call) {
  const int32_t* Aind = call.Aind;
  for (int32_t j = 0; j < call.count; ++j) {
    for (int32_t p = call.Aptr[j]; p < call.Aptr[j + 1]; ++p) {
      const int32_t index = Aind[p];
      if (call.layout == Layout::symm) {
        // Entries left of the diagonal (a negative index among them) are passed over.
        if (index >= j && index >= call.extent)
          return report.fail(SPK_ERR_INDEX,
                             "Aind[%d] = %d in row %d is out of range: column indices on or "
                             "above the diagonal must be less than m = %d",
                             p, index, j, call.extent);
      } else if (index < 0 || index >= call.extent) {
        return index_out_of_range(report, call, p, j, "");
      }
    }
  }
  return SPK_OK;
}

// Solves: every vector stores its divisor where the solve takes it, and every other entry
// strictly on the solve's side of the diagonal, within 0 .. n - 1.
int check_triangle(Report& report, const Call& call) {
  const int32_t* Aind = call.Aind;
  const int32_t* Aptr = call.Aptr;
  const char* word = vector_word(call.layout);
  const char* index_name = index_word(call.layout);
  // The other entries lie after the diagonal (below it, right of it) or before it.
  const bool after = call.layout == Layout::csc_lower || call.layout == Layout::csr_upper;
  const char* side = call.layout == Layout::csc_lower   ? "below"
                     : call.layout == Layout::csc_upper ? "above"
                     : call.layout == Layout::csr_lower ? "left of"
                                                        : "right of";
  for (int32_t j = 0; j < call.count; ++j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first == end)
      return report.fail(SPK_ERR_STRUCTURE,
                         "Aptr[%d] = Aptr[%d] = %d: %s %d stores no entry, but a solve needs the "
                         "diagonal entry of every %s",
                         j, j + 1, first, word, j, word);
    int32_t divisor = -1;
    switch (call.layout) {
      case Layout::csc_lower:
      case Layout::csr_upper:
        divisor = first;
        break;
      case Layout::csc_upper:
        divisor = end - 1;
        break;
      default:
        break;
    }
    if (divisor >= 0 && Aind[divisor] != j)
      return report.fail(SPK_ERR_STRUCTURE,
                         "Aind[%d] = %d is the %s entry of %s %d but not its diagonal: the solve "
                         "divides by the %s stored entry of each %s, so it must have %s index %d",
                         divisor, Aind[divisor], divisor == first ? "first" : "last", word, j,
                         divisor == first ? "first" : "last", word, index_name, j);
    int32_t found = -1;
    for (int32_t p = first; p < end; ++p) {
      if (p == divisor) continue;
      const int32_t index = Aind[p];
      if (call.layout == Layout::csr_lower && index == j) {
        if (found >= 0)
          return report.fail(SPK_ERR_STRUCTURE,
                             "Aind[%d] = %d repeats the diagonal entry of row %d (first at "
                             "Aind[%d]): a row must store its diagonal entry once",
                             p, index, j, found);
        found = p;
        continue;
      }
      if (index < 0 || index >= call.extent) return index_out_of_range(report, call, p, j, "");
      if (after ? index <= j : index >= j)
        return report.fail(SPK_ERR_STRUCTURE,
                           "Aind[%d] = %d in %s %d is not %s the diagonal: every entry of %s %d "
                           "but the divisor must have a %s index %s %d",
                           p, index, word, j, side, word, j, index_name,
                           after ? "greater than" : "less than", j);
    }
    if (call.layout == Layout::csr_lower && found < 0)
      return report.fail(SPK_ERR_STRUCTURE,
                         "row %d stores no entry with column index %d: a lower solve needs the "
                         "diagonal entry of every row",
                         j, j);
  }
  return SPK_OK;
}

int check_zero_divisors(Report& report, const Call& call) {
  const int32_t* Aind = call.Aind;
  const int32_t* Aptr = call.Aptr;
  for (int32_t j = 0; j < call.count; ++j) {
    int32_t divisor = Aptr[j];
    if (call.layout == Layout::csc_upper) divisor = Aptr[j + 1] - 1;
    if (call.layout == Layout::csr_lower)
      for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p)
        if (Aind[p] == j) divisor = p;
    if (call.Aval[divisor] == 0.0)
      return report.fail(SPK_ERR_ZERO_DIVISOR,
                         "Aval[%d] = %g is the divisor of %s %d: dividing by zero gives an "
                         "infinity or NaN",
                         divisor, call.Aval[divisor], vector_word(call.layout), j);
  }
  return SPK_OK;
}

int check(const Call& call, unsigned flags, Report& report) {
  if (call.reads_operand) {
    if (int code = check_aptr(report, call)) return code;
    if (int code = check_entries(report, call, "Aval", call.Aval, call.Aval_len)) return code;
    if (call.complex)
      if (int code = check_entries(report, call, "AvalIm", call.AvalIm, call.AvalIm_len)) return code;
    if (int code = check_entries(report, call, "Aind", call.Aind, call.Aind_len)) return code;
  }
  for (int t = 0; t < call.dense_count; ++t)
    if (int code = check_dense(report, call.dense[t])) return code;
  if (int code = check_overlap(report, call)) return code;
  if (!call.reads_operand) return SPK_OK;
  if (is_solve(call.layout)) {
    if (int code = check_triangle(report, call)) return code;
    if (flags & SPK_CHECK_ZERO_DIVISOR)
      if (int code = check_zero_divisors(report, call)) return code;
    return SPK_OK;
  }
  return check_product_indices(report, call);
}

Call operand(Layout layout, int32_t count, const char* count_name, int32_t extent,
             const char* extent_name, const double* Aval, size_t Aval_len, const double* AvalIm,
             size_t AvalIm_len, bool complex, const int32_t* Aind, size_t Aind_len,
             const int32_t* Aptr, size_t Aptr_len) {
  Call call{};
  call.layout = layout;
  call.count = count;
  call.count_name = count_name;
  call.extent = extent;
  call.extent_name = extent_name;
  call.reads_operand = count > 0;
  call.Aval = Aval;
  call.Aval_len = Aval_len;
  call.AvalIm = AvalIm;
  call.AvalIm_len = AvalIm_len;
  call.complex = complex;
  call.Aind = Aind;
  call.Aind_len = Aind_len;
  call.Aptr = Aptr;
  call.Aptr_len = Aptr_len;
  return call;
}

void add(Call& call, const char* name, const double* ptr, size_t len, size_t need,
         const char* need_text, const char* rule, bool output) {
  call.dense[call.dense_count++] = Dense{name, ptr, len, need, need_text, rule, output};
}

constexpr const char* kBHoldsN = "B must hold an element for every column of A";
constexpr const char* kBImHoldsN = "BIm must hold an element for every column of A";
constexpr const char* kBHoldsM = "B must hold an element for every column index below m";
constexpr const char* kBImHoldsM = "BIm must hold an element for every column index below m";
constexpr const char* kCHoldsM = "C must hold an element for every row index below m";
constexpr const char* kCImHoldsM = "CIm must hold an element for every row index below m";
constexpr const char* kCHoldsN = "C must hold an element for every row of A";
constexpr const char* kCImHoldsN = "CIm must hold an element for every row of A";
constexpr const char* kSymmB = "B must hold m elements";
constexpr const char* kSymmBIm = "BIm must hold m elements";
constexpr const char* kSymmC = "C must hold m elements";
constexpr const char* kSymmCIm = "CIm must hold m elements";

// The real vector products, CSC or CSR. clears: C is written over m even when n == 0.
int real_product(Layout layout, bool clears, int32_t m, int32_t n, const double* Aval,
                 size_t Aval_len, const int32_t* Aind, size_t Aind_len, const int32_t* Aptr,
                 size_t Aptr_len, const double* B, size_t B_len, const double* C, size_t C_len,
                 unsigned flags, char* message, size_t message_size) {
  Report report(message, message_size);
  if (int code = check_dimension(report, "m", m)) return code;
  if (int code = check_dimension(report, "n", n)) return code;
  Call call = operand(layout, n, "n", m, "m", Aval, Aval_len, nullptr, 0, false, Aind, Aind_len,
                      Aptr, Aptr_len);
  const bool any = n > 0;
  if (layout == Layout::csc_product) {
    add(call, "B", B, B_len, any ? size_t(n) : 0, "n", kBHoldsN, false);
    add(call, "C", C, C_len, any || clears ? size_t(m) : 0, "m", kCHoldsM, true);
  } else {
    add(call, "B", B, B_len, any ? size_t(m) : 0, "m", kBHoldsM, false);
    add(call, "C", C, C_len, size_t(n), "n", kCHoldsN, true);
  }
  return check(call, flags, report);
}

int complex_product(Layout layout, int32_t m, int32_t n, const double* Aval, size_t Aval_len,
                    const double* AvalIm, size_t AvalIm_len, const int32_t* Aind,
                    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B,
                    size_t B_len, const double* BIm, size_t BIm_len, const double* C,
                    size_t C_len, const double* CIm, size_t CIm_len, unsigned flags,
                    char* message, size_t message_size) {
  Report report(message, message_size);
  if (int code = check_dimension(report, "m", m)) return code;
  if (int code = check_dimension(report, "n", n)) return code;
  Call call = operand(layout, n, "n", m, "m", Aval, Aval_len, AvalIm, AvalIm_len, true, Aind,
                      Aind_len, Aptr, Aptr_len);
  const bool any = n > 0;
  if (layout == Layout::csc_product) {
    add(call, "B", B, B_len, any ? size_t(n) : 0, "n", kBHoldsN, false);
    add(call, "BIm", BIm, BIm_len, any ? size_t(n) : 0, "n", kBImHoldsN, false);
    add(call, "C", C, C_len, size_t(m), "m", kCHoldsM, true);
    add(call, "CIm", CIm, CIm_len, size_t(m), "m", kCImHoldsM, true);
  } else {
    add(call, "B", B, B_len, any ? size_t(m) : 0, "m", kBHoldsM, false);
    add(call, "BIm", BIm, BIm_len, any ? size_t(m) : 0, "m", kBImHoldsM, false);
    add(call, "C", C, C_len, size_t(n), "n", kCHoldsN, true);
    add(call, "CIm", CIm, CIm_len, size_t(n), "n", kCImHoldsN, true);
  }
  return check(call, flags, report);
}

int solve(Layout layout, int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind,
          size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
          const double* C, size_t C_len, unsigned flags, char* message, size_t message_size) {
  Report report(message, message_size);
  if (int code = check_dimension(report, "n", n)) return code;
  Call call = operand(layout, n, "n", n, "n", Aval, Aval_len, nullptr, 0, false, Aind, Aind_len,
                      Aptr, Aptr_len);
  add(call, "B", B, B_len, size_t(n), "n", "B must hold the right-hand side of order n", false);
  add(call, "C", C, C_len, size_t(n), "n", "C must hold the solution of order n", true);
  return check(call, flags, report);
}

}  // namespace

extern "C" {

SPK_CHECK_API const char* spk_check_error_name(int code) {
  switch (code) {
    case SPK_OK: return "SPK_OK";
    case SPK_ERR_DIMENSION: return "SPK_ERR_DIMENSION";
    case SPK_ERR_APTR: return "SPK_ERR_APTR";
    case SPK_ERR_INDEX: return "SPK_ERR_INDEX";
    case SPK_ERR_LENGTH: return "SPK_ERR_LENGTH";
    case SPK_ERR_OVERLAP: return "SPK_ERR_OVERLAP";
    case SPK_ERR_STRUCTURE: return "SPK_ERR_STRUCTURE";
    case SPK_ERR_ZERO_DIVISOR: return "SPK_ERR_ZERO_DIVISOR";
    case SPK_ERR_NULL: return "SPK_ERR_NULL";
    default: return "unknown";
  }
}

SPK_CHECK_API int spk_check_CSC_VecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size) {
  return real_product(Layout::csc_product, true, m, n, Aval, Aval_len, Aind, Aind_len, Aptr,
                      Aptr_len, B, B_len, C, C_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSR_VecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size) {
  return real_product(Layout::csr_product, false, m, n, Aval, Aval_len, Aind, Aind_len, Aptr,
                      Aptr_len, B, B_len, C, C_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSC_VecMult_CaABC_double(
    int32_t m, int32_t n, double, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size) {
  return real_product(Layout::csc_product, false, m, n, Aval, Aval_len, Aind, Aind_len, Aptr,
                      Aptr_len, B, B_len, C, C_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSR_VecMult_CaABC_double(
    int32_t m, int32_t n, double, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size) {
  return real_product(Layout::csr_product, false, m, n, Aval, Aval_len, Aind, Aind_len, Aptr,
                      Aptr_len, B, B_len, C, C_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSC_CmplxVecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const double* AvalIm,
    size_t AvalIm_len, const int32_t* Aind, size_t Aind_len, const int32_t* Aptr,
    size_t Aptr_len, const double* B, size_t B_len, const double* BIm, size_t BIm_len,
    const double* C, size_t C_len, const double* CIm, size_t CIm_len, unsigned flags,
    char* message, size_t message_size) {
  return complex_product(Layout::csc_product, m, n, Aval, Aval_len, AvalIm, AvalIm_len, Aind,
                         Aind_len, Aptr, Aptr_len, B, B_len, BIm, BIm_len, C, C_len, CIm,
                         CIm_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSR_CmplxVecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const double* AvalIm,
    size_t AvalIm_len, const int32_t* Aind, size_t Aind_len, const int32_t* Aptr,
    size_t Aptr_len, const double* B, size_t B_len, const double* BIm, size_t BIm_len,
    const double* C, size_t C_len, const double* CIm, size_t CIm_len, unsigned flags,
    char* message, size_t message_size) {
  return complex_product(Layout::csr_product, m, n, Aval, Aval_len, AvalIm, AvalIm_len, Aind,
                         Aind_len, Aptr, Aptr_len, B, B_len, BIm, BIm_len, C, C_len, CIm,
                         CIm_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSRsymm_VecMult_CAB_double(
    int32_t n, int32_t m, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size) {
  Report report(message, message_size);
  if (int code = check_dimension(report, "n", n)) return code;
  if (int code = check_dimension(report, "m", m)) return code;
  Call call = operand(Layout::symm, n, "n", m, "m", Aval, Aval_len, nullptr, 0, false, Aind,
                      Aind_len, Aptr, Aptr_len);
  add(call, "B", B, B_len, n > 0 ? size_t(m) : 0, "m", kSymmB, false);
  add(call, "C", C, C_len, size_t(m), "m", kSymmC, true);
  return check(call, flags, report);
}

SPK_CHECK_API int spk_check_CSRsymm_CmplxVecMult_CAB_double(
    int32_t n, int32_t m, const double* Aval, size_t Aval_len, const double* AvalIm,
    size_t AvalIm_len, const int32_t* Aind, size_t Aind_len, const int32_t* Aptr,
    size_t Aptr_len, const double* B, size_t B_len, const double* BIm, size_t BIm_len,
    const double* C, size_t C_len, const double* CIm, size_t CIm_len, unsigned flags,
    char* message, size_t message_size) {
  Report report(message, message_size);
  if (int code = check_dimension(report, "n", n)) return code;
  if (int code = check_dimension(report, "m", m)) return code;
  Call call = operand(Layout::symm, n, "n", m, "m", Aval, Aval_len, AvalIm, AvalIm_len, true,
                      Aind, Aind_len, Aptr, Aptr_len);
  add(call, "B", B, B_len, n > 0 ? size_t(m) : 0, "m", kSymmB, false);
  add(call, "BIm", BIm, BIm_len, n > 0 ? size_t(m) : 0, "m", kSymmBIm, false);
  add(call, "C", C, C_len, size_t(m), "m", kSymmC, true);
  add(call, "CIm", CIm, CIm_len, size_t(m), "m", kSymmCIm, true);
  return check(call, flags, report);
}

SPK_CHECK_API int spk_check_CSC_MatMult_CAB_double(
    int32_t m, int32_t n, int32_t k, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    int32_t, const double* C, size_t C_len, unsigned flags, char* message,
    size_t message_size) {
  Report report(message, message_size);
  if (int code = check_dimension(report, "m", m)) return code;
  if (int code = check_dimension(report, "n", n)) return code;
  if (int code = check_dimension(report, "k", k)) return code;
  // Element counts in 64 bits, checked against what a byte offset can address: C holds m * n,
  // and B, read with column stride m, (n - 1) * m + k.
  size_t c_need = 0, b_need = 0;
  if (n > 0) {
    constexpr size_t limit = size_t(PTRDIFF_MAX) / sizeof(double);
    size_t b_cols = 0;
    if (__builtin_mul_overflow(size_t(m), size_t(n), &c_need) || c_need > limit)
      return report.fail(SPK_ERR_DIMENSION,
                         "m * n = %d * %d overflows: C would hold more doubles than memory can "
                         "address",
                         m, n);
    if (k > 0 && (__builtin_mul_overflow(size_t(n - 1), size_t(m), &b_cols) ||
                  __builtin_add_overflow(b_cols, size_t(k), &b_need) || b_need > limit))
      return report.fail(SPK_ERR_DIMENSION,
                         "(n - 1) * m + k with n = %d, m = %d, k = %d overflows: B would hold "
                         "more doubles than memory can address",
                         n, m, k);
  }
  Call call = operand(Layout::csc_product, k, "k", m, "m", Aval, Aval_len, nullptr, 0, false,
                      Aind, Aind_len, Aptr, Aptr_len);
  call.reads_operand = n > 0 && k > 0;
  add(call, "B", B, B_len, b_need, "(n - 1) * m + k",
      "B must hold every element read with column stride m", false);
  add(call, "C", C, C_len, c_need, "m * n", "C must hold m rows of n columns", true);
  return check(call, flags, report);
}

SPK_CHECK_API int spk_check_CSC_VecTriangSlvLD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size) {
  return solve(Layout::csc_lower, n, Aval, Aval_len, Aind, Aind_len, Aptr, Aptr_len, B, B_len,
               C, C_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSC_VecTriangSlvUD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size) {
  return solve(Layout::csc_upper, n, Aval, Aval_len, Aind, Aind_len, Aptr, Aptr_len, B, B_len,
               C, C_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSR_VecTriangSlvLD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size) {
  return solve(Layout::csr_lower, n, Aval, Aval_len, Aind, Aind_len, Aptr, Aptr_len, B, B_len,
               C, C_len, flags, message, message_size);
}

SPK_CHECK_API int spk_check_CSR_VecTriangSlvUD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size) {
  return solve(Layout::csr_upper, n, Aval, Aval_len, Aind, Aind_len, Aptr, Aptr_len, B, B_len,
               C, C_len, flags, message, message_size);
}

}  // extern "C"

// The operand checker: it accepts every call that keeps its kernel's preconditions, each
// array exactly as long as needed, and refuses a catalogue of malformed calls (one for every
// rule and kernel) with a code and a message that names the array, the position and the rule.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "spkernels/check.h"
#include "spkernels/check.hpp"
#include "support/bits.hpp"
#include "support/kernel_call.hpp"
#include "support/operands.hpp"
#include "support/valid_calls.hpp"

namespace {

using namespace spk::test;
using K = Kernel;

std::string verdict(const Call& c) {
  char message[512];
  const int code = check(c, message, sizeof message);
  return std::string(spk_check_error_name(code)) + (code ? std::string(": ") + message : "");
}

// Every length the call needs is needed in full: one element less is refused, one more is
// accepted (the checker never looks beyond what the call touches).
void expect_every_length_needed(Call c) {
  struct Length {
    const char* name;
    std::size_t Call::*len;
  };
  const Length lengths[] = {{"Aval", &Call::Aval_len}, {"AvalIm", &Call::AvalIm_len},
                            {"Aind", &Call::Aind_len}, {"Aptr", &Call::Aptr_len},
                            {"B", &Call::B_len},       {"BIm", &Call::BIm_len},
                            {"C", &Call::C_len},       {"CIm", &Call::CIm_len}};
  for (const Length& l : lengths) {
    if (c.*l.len == 0) continue;
    Call shorter = c;
    shorter.*l.len -= 1;
    char message[512];
    EXPECT_NE(check(shorter, message, sizeof message), SPK_OK)
        << l.name << " one element shorter was accepted";
  }
  for (const Length& l : lengths) {
    Call longer = c;
    if (longer.*l.len == 0) continue;  // a null array must keep length 0
    longer.*l.len += 1;
    char message[512];
    EXPECT_EQ(check(longer, message, sizeof message), SPK_OK)
        << l.name << " one element longer was refused: " << message;
  }
}

TEST(Checker, AcceptsEveryValidRandomCallAndNeedsEveryElement) {
  const int iterations = scaled(400);
  for (K k : kAllKernels) {
    for (int t = 0; t < iterations; ++t) {
      const std::uint64_t seed = 1000 * static_cast<int>(k) + t;
      Rng rng(seed);
      Arrays arrays = random_valid_call(rng, k);
      Call c = arrays.bind();
      c.flags = 0;
      ASSERT_EQ(verdict(c), "SPK_OK") << symbol(k) << ", " << seed_note(seed);
      expect_every_length_needed(c);
      // In place, a solve is accepted with B and C the same array.
      if (is_solve(k)) {
        c.C = const_cast<double*>(c.B);
        ASSERT_EQ(verdict(c), "SPK_OK") << symbol(k) << " in place, " << seed_note(seed);
      }
      if (HasFailure()) FAIL() << symbol(k) << ", " << seed_note(seed);
    }
  }
}

// ---- The catalogue ---------------------------------------------------------------------------

// The worked operands of each kernel, valid as they stand.
Arrays base(K k) {
  Arrays s{k};
  switch (k) {
    case K::CSC_VecMult_CAB:
    case K::CSR_VecMult_CAB:
    case K::CSC_VecMult_CaABC:
    case K::CSR_VecMult_CaABC:
      s.d[0] = 2, s.d[1] = 2, s.a = 2;
      s.Aptr = {0, 2, 3}, s.Aind = {0, 1, 1}, s.Aval = {1, 2, 3};
      s.B = {1, 1}, s.C = {10, 20};
      break;
    case K::CSC_CmplxVecMult_CAB:
    case K::CSR_CmplxVecMult_CAB:
      s.d[0] = 2, s.d[1] = 2;
      s.Aptr = {0, 1, 3}, s.Aind = {0, 0, 1}, s.Aval = {1, 2, 0}, s.AvalIm = {1, 0, 3};
      s.B = {1, 3}, s.BIm = {2, -1}, s.C = {0, 0}, s.CIm = {0, 0};
      break;
    case K::CSRsymm_VecMult_CAB:
    case K::CSRsymm_CmplxVecMult_CAB:
      s.d[0] = 2, s.d[1] = 2;
      s.Aptr = {0, 2, 3}, s.Aind = {0, 1, 1}, s.Aval = {2, 1, 3}, s.B = {1, 2}, s.C = {0, 0};
      if (k == K::CSRsymm_CmplxVecMult_CAB) s.AvalIm = {1, -1, 0}, s.BIm = {0, 1}, s.CIm = {0, 0};
      break;
    case K::CSC_MatMult_CAB:
      s.d[0] = 3, s.d[1] = 2, s.d[2] = 2;
      s.Aptr = {0, 2, 3}, s.Aind = {0, 2, 1}, s.Aval = {1, 2, 3};
      s.B = {10, 20, 0, 30, 40}, s.C = std::vector<double>(6);
      break;
    case K::CSC_VecTriangSlvLD_CAB:
    case K::CSR_VecTriangSlvUD_CAB:
      // CSC: lower (2 0 0; 1 4 0; 3 -1 5) by columns. CSR: upper (2 1 3; 0 4 -1; 0 0 5) by rows.
      s.d[0] = 3;
      s.Aptr = {0, 3, 5, 6}, s.Aind = {0, 1, 2, 1, 2, 2}, s.Aval = {2, 1, 3, 4, -1, 5};
      s.B = {2, 5, 12}, s.C = {0, 0, 0};
      break;
    case K::CSC_VecTriangSlvUD_CAB:
    case K::CSR_VecTriangSlvLD_CAB:
      // CSC: upper (2 1 3; 0 4 -1; 0 0 5) by columns. CSR: lower (2 0 0; 1 4 0; 3 -1 5) by rows.
      s.d[0] = 3;
      s.Aptr = {0, 1, 3, 6}, s.Aind = {0, 0, 1, 0, 1, 2}, s.Aval = {2, 1, 4, 3, -1, 5};
      s.B = {9, 2, 10}, s.C = {0, 0, 0};
      break;
  }
  // Room behind every array, so that an output laid over one of them reaches no other.
  for (auto* v : {&s.Aptr, &s.Aind}) v->reserve(64);
  for (auto* v : {&s.Aval, &s.AvalIm, &s.B, &s.BIm, &s.C, &s.CIm}) v->reserve(64);
  return s;
}

using Mutation = std::function<void(Arrays&, Call&)>;

struct Row {
  K kernel;
  const char* what;
  Mutation mutate;
  int code;
  const char* message;
};

// Mutations shared by many kernels.
const Mutation negative_d0 = [](Arrays&, Call& c) { c.d[0] = -1; };
const Mutation negative_d1 = [](Arrays&, Call& c) { c.d[1] = -1; };
const Mutation negative_d2 = [](Arrays&, Call& c) { c.d[2] = -1; };
const Mutation aptr_short = [](Arrays&, Call& c) { c.Aptr_len -= 1; };
const Mutation aptr_null = [](Arrays&, Call& c) { c.Aptr = nullptr, c.Aptr_len = 0; };
const Mutation aptr_start_one = [](Arrays& s, Call&) { s.Aptr[0] = 1; };
const Mutation aptr_start_negative = [](Arrays& s, Call&) { s.Aptr[0] = -1; };
const Mutation aptr_decreases = [](Arrays& s, Call&) { s.Aptr[1] = s.Aptr[2] + 1; };
const Mutation aind_short = [](Arrays&, Call& c) { c.Aind_len -= 1; };
const Mutation aval_short = [](Arrays&, Call& c) { c.Aval_len -= 1; };
const Mutation avalim_short = [](Arrays&, Call& c) { c.AvalIm_len -= 1; };
const Mutation aind_null = [](Arrays&, Call& c) { c.Aind = nullptr, c.Aind_len = 0; };
const Mutation index_high = [](Arrays& s, Call&) { s.Aind[1] = 99; };
const Mutation index_negative = [](Arrays& s, Call&) { s.Aind[1] = -1; };
const Mutation b_short = [](Arrays&, Call& c) { c.B_len -= 1; };
const Mutation bim_short = [](Arrays&, Call& c) { c.BIm_len -= 1; };
const Mutation c_short = [](Arrays&, Call& c) { c.C_len -= 1; };
const Mutation cim_short = [](Arrays&, Call& c) { c.CIm_len -= 1; };
const Mutation b_null = [](Arrays&, Call& c) { c.B = nullptr, c.B_len = 0; };
const Mutation c_null = [](Arrays&, Call& c) { c.C = nullptr, c.C_len = 0; };
const Mutation c_is_b = [](Arrays& s, Call& c) { c.C = s.B.data(); };
const Mutation c_inside_b = [](Arrays& s, Call& c) { c.C = s.B.data() + 1; };
const Mutation c_on_aval = [](Arrays& s, Call& c) { c.C = s.Aval.data() + 1; };
const Mutation c_on_aind = [](Arrays& s, Call& c) { c.C = reinterpret_cast<double*>(s.Aind.data()); };
const Mutation c_on_aptr = [](Arrays& s, Call& c) { c.C = reinterpret_cast<double*>(s.Aptr.data()); };
const Mutation cim_is_bim = [](Arrays& s, Call& c) { c.CIm = s.BIm.data(); };
const Mutation cim_on_avalim = [](Arrays& s, Call& c) { c.CIm = s.AvalIm.data(); };
const Mutation cim_on_c = [](Arrays& s, Call& c) { c.CIm = s.C.data() + 1; };
Mutation zero_divisor(int position, double zero, unsigned flags) {
  return [=](Arrays& s, Call& c) {
    s.Aval[position] = zero;
    c.flags = flags;
  };
}
Mutation set_index(int position, int32_t value) {
  return [=](Arrays& s, Call&) { s.Aind[position] = value; };
}
// No compressed vectors: Aptr is never read, nor the entries, nor B; all may be null.
Mutation no_vectors(int dim) {
  return [=](Arrays&, Call& c) {
    c.d[dim] = 0;
    c.Aptr = nullptr, c.Aptr_len = 0, c.Aind = nullptr, c.Aind_len = 0;
    c.Aval = nullptr, c.Aval_len = 0, c.AvalIm = nullptr, c.AvalIm_len = 0;
    c.B = nullptr, c.B_len = 0, c.BIm = nullptr, c.BIm_len = 0;
  };
}

// One row for every rule that applies to each kernel, applied to the kernel's worked operand.
// A row with SPK_OK is a call the checker must accept: what it shows is allowed.
const std::vector<Row> kCatalogue = {
    {K::CSC_VecMult_CAB, "m negative", negative_d0, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSC_VecMult_CAB, "n negative", negative_d1, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSC_VecMult_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSC_VecMult_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every column and one past the last"},
    {K::CSC_VecMult_CAB, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSC_VecMult_CAB, "Aptr[0] = 1 accepted: positions are absolute", aptr_start_one, SPK_OK, ""},
    {K::CSC_VecMult_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSC_VecMult_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSC_VecMult_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSC_VecMult_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSC_VecMult_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in column 0 is out of range: row indices must be at least 0 and less than m = 2"},
    {K::CSC_VecMult_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in column 0 is out of range: row indices must be at least 0 and less than m = 2"},
    {K::CSC_VecMult_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than n = 2: B must hold an element for every column of A"},
    {K::CSC_VecMult_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than m = 2: C must hold an element for every row index below m"},
    {K::CSC_VecMult_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses n = 2 elements of it"},
    {K::CSC_VecMult_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses m = 2 elements of it"},
    {K::CSC_VecMult_CAB, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_VecMult_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_VecMult_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSC_VecMult_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSC_VecMult_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSC_VecMult_CAB, "no compressed vectors: unread arrays may be null", no_vectors(1), SPK_OK, ""},

    {K::CSR_VecMult_CAB, "m negative", negative_d0, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSR_VecMult_CAB, "n negative", negative_d1, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSR_VecMult_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSR_VecMult_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every row and one past the last"},
    {K::CSR_VecMult_CAB, "Aptr[0] not 0", aptr_start_one, SPK_ERR_APTR, "Aptr[0] = 1 is not 0: values are read from Aval[0] on, so the first row must start at position 0"},
    {K::CSR_VecMult_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSR_VecMult_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSR_VecMult_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSR_VecMult_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSR_VecMult_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in row 0 is out of range: column indices must be at least 0 and less than m = 2"},
    {K::CSR_VecMult_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in row 0 is out of range: column indices must be at least 0 and less than m = 2"},
    {K::CSR_VecMult_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than m = 2: B must hold an element for every column index below m"},
    {K::CSR_VecMult_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than n = 2: C must hold an element for every row of A"},
    {K::CSR_VecMult_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses m = 2 elements of it"},
    {K::CSR_VecMult_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses n = 2 elements of it"},
    {K::CSR_VecMult_CAB, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSR_VecMult_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSR_VecMult_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSR_VecMult_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSR_VecMult_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSR_VecMult_CAB, "no compressed vectors: unread arrays may be null", no_vectors(1), SPK_OK, ""},
    {K::CSR_VecMult_CAB, "no compressed vectors, B null with a length", [](Arrays& s, Call& c) { no_vectors(1)(s, c); c.B_len = 2; }, SPK_ERR_NULL, "B is null but B_len = 2: a null array must have length 0"},

    {K::CSC_VecMult_CaABC, "m negative", negative_d0, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSC_VecMult_CaABC, "n negative", negative_d1, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSC_VecMult_CaABC, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSC_VecMult_CaABC, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every column and one past the last"},
    {K::CSC_VecMult_CaABC, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSC_VecMult_CaABC, "Aptr[0] = 1 accepted: positions are absolute", aptr_start_one, SPK_OK, ""},
    {K::CSC_VecMult_CaABC, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSC_VecMult_CaABC, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSC_VecMult_CaABC, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSC_VecMult_CaABC, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSC_VecMult_CaABC, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in column 0 is out of range: row indices must be at least 0 and less than m = 2"},
    {K::CSC_VecMult_CaABC, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in column 0 is out of range: row indices must be at least 0 and less than m = 2"},
    {K::CSC_VecMult_CaABC, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than n = 2: B must hold an element for every column of A"},
    {K::CSC_VecMult_CaABC, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than m = 2: C must hold an element for every row index below m"},
    {K::CSC_VecMult_CaABC, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses n = 2 elements of it"},
    {K::CSC_VecMult_CaABC, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses m = 2 elements of it"},
    {K::CSC_VecMult_CaABC, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_VecMult_CaABC, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_VecMult_CaABC, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSC_VecMult_CaABC, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSC_VecMult_CaABC, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSC_VecMult_CaABC, "no compressed vectors: unread arrays may be null", no_vectors(1), SPK_OK, ""},
    {K::CSC_VecMult_CaABC, "no compressed vectors, B null with a length", [](Arrays& s, Call& c) { no_vectors(1)(s, c); c.B_len = 2; }, SPK_ERR_NULL, "B is null but B_len = 2: a null array must have length 0"},

    {K::CSR_VecMult_CaABC, "m negative", negative_d0, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSR_VecMult_CaABC, "n negative", negative_d1, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSR_VecMult_CaABC, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSR_VecMult_CaABC, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every row and one past the last"},
    {K::CSR_VecMult_CaABC, "Aptr[0] not 0", aptr_start_one, SPK_ERR_APTR, "Aptr[0] = 1 is not 0: values are read from Aval[0] on, so the first row must start at position 0"},
    {K::CSR_VecMult_CaABC, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSR_VecMult_CaABC, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSR_VecMult_CaABC, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSR_VecMult_CaABC, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSR_VecMult_CaABC, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in row 0 is out of range: column indices must be at least 0 and less than m = 2"},
    {K::CSR_VecMult_CaABC, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in row 0 is out of range: column indices must be at least 0 and less than m = 2"},
    {K::CSR_VecMult_CaABC, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than m = 2: B must hold an element for every column index below m"},
    {K::CSR_VecMult_CaABC, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than n = 2: C must hold an element for every row of A"},
    {K::CSR_VecMult_CaABC, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses m = 2 elements of it"},
    {K::CSR_VecMult_CaABC, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses n = 2 elements of it"},
    {K::CSR_VecMult_CaABC, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSR_VecMult_CaABC, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSR_VecMult_CaABC, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSR_VecMult_CaABC, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSR_VecMult_CaABC, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSR_VecMult_CaABC, "no compressed vectors: unread arrays may be null", no_vectors(1), SPK_OK, ""},

    {K::CSC_CmplxVecMult_CAB, "m negative", negative_d0, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSC_CmplxVecMult_CAB, "n negative", negative_d1, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSC_CmplxVecMult_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSC_CmplxVecMult_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every column and one past the last"},
    {K::CSC_CmplxVecMult_CAB, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSC_CmplxVecMult_CAB, "Aptr[0] = 1 accepted: positions are absolute", aptr_start_one, SPK_OK, ""},
    {K::CSC_CmplxVecMult_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSC_CmplxVecMult_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSC_CmplxVecMult_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSC_CmplxVecMult_CAB, "AvalIm shorter than the last start", avalim_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of AvalIm (AvalIm_len = 2): every stored entry must lie inside AvalIm"},
    {K::CSC_CmplxVecMult_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSC_CmplxVecMult_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in column 1 is out of range: row indices must be at least 0 and less than m = 2"},
    {K::CSC_CmplxVecMult_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in column 1 is out of range: row indices must be at least 0 and less than m = 2"},
    {K::CSC_CmplxVecMult_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than n = 2: B must hold an element for every column of A"},
    {K::CSC_CmplxVecMult_CAB, "BIm one short", bim_short, SPK_ERR_LENGTH, "BIm_len = 1 is less than n = 2: BIm must hold an element for every column of A"},
    {K::CSC_CmplxVecMult_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than m = 2: C must hold an element for every row index below m"},
    {K::CSC_CmplxVecMult_CAB, "CIm one short", cim_short, SPK_ERR_LENGTH, "CIm_len = 1 is less than m = 2: CIm must hold an element for every row index below m"},
    {K::CSC_CmplxVecMult_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses n = 2 elements of it"},
    {K::CSC_CmplxVecMult_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses m = 2 elements of it"},
    {K::CSC_CmplxVecMult_CAB, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_CmplxVecMult_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_CmplxVecMult_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSC_CmplxVecMult_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSC_CmplxVecMult_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSC_CmplxVecMult_CAB, "CIm is BIm", cim_is_bim, SPK_ERR_OVERLAP, "CIm overlaps BIm: an output must not share storage with an input"},
    {K::CSC_CmplxVecMult_CAB, "CIm over AvalIm", cim_on_avalim, SPK_ERR_OVERLAP, "CIm overlaps AvalIm: an output must not share storage with an input"},
    {K::CSC_CmplxVecMult_CAB, "CIm over C", cim_on_c, SPK_ERR_OVERLAP, "CIm overlaps C: the outputs must not share storage"},
    {K::CSC_CmplxVecMult_CAB, "no compressed vectors: unread arrays may be null", no_vectors(1), SPK_OK, ""},

    {K::CSR_CmplxVecMult_CAB, "m negative", negative_d0, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSR_CmplxVecMult_CAB, "n negative", negative_d1, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSR_CmplxVecMult_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSR_CmplxVecMult_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every row and one past the last"},
    {K::CSR_CmplxVecMult_CAB, "Aptr[0] not 0", aptr_start_one, SPK_ERR_APTR, "Aptr[0] = 1 is not 0: values are read from Aval[0] on, so the first row must start at position 0"},
    {K::CSR_CmplxVecMult_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSR_CmplxVecMult_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSR_CmplxVecMult_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSR_CmplxVecMult_CAB, "AvalIm shorter than the last start", avalim_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of AvalIm (AvalIm_len = 2): every stored entry must lie inside AvalIm"},
    {K::CSR_CmplxVecMult_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSR_CmplxVecMult_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in row 1 is out of range: column indices must be at least 0 and less than m = 2"},
    {K::CSR_CmplxVecMult_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in row 1 is out of range: column indices must be at least 0 and less than m = 2"},
    {K::CSR_CmplxVecMult_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than m = 2: B must hold an element for every column index below m"},
    {K::CSR_CmplxVecMult_CAB, "BIm one short", bim_short, SPK_ERR_LENGTH, "BIm_len = 1 is less than m = 2: BIm must hold an element for every column index below m"},
    {K::CSR_CmplxVecMult_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than n = 2: C must hold an element for every row of A"},
    {K::CSR_CmplxVecMult_CAB, "CIm one short", cim_short, SPK_ERR_LENGTH, "CIm_len = 1 is less than n = 2: CIm must hold an element for every row of A"},
    {K::CSR_CmplxVecMult_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses m = 2 elements of it"},
    {K::CSR_CmplxVecMult_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses n = 2 elements of it"},
    {K::CSR_CmplxVecMult_CAB, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSR_CmplxVecMult_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSR_CmplxVecMult_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSR_CmplxVecMult_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSR_CmplxVecMult_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSR_CmplxVecMult_CAB, "CIm is BIm", cim_is_bim, SPK_ERR_OVERLAP, "CIm overlaps BIm: an output must not share storage with an input"},
    {K::CSR_CmplxVecMult_CAB, "CIm over AvalIm", cim_on_avalim, SPK_ERR_OVERLAP, "CIm overlaps AvalIm: an output must not share storage with an input"},
    {K::CSR_CmplxVecMult_CAB, "CIm over C", cim_on_c, SPK_ERR_OVERLAP, "CIm overlaps C: the outputs must not share storage"},
    {K::CSR_CmplxVecMult_CAB, "no compressed vectors: unread arrays may be null", no_vectors(1), SPK_OK, ""},

    {K::CSRsymm_VecMult_CAB, "n negative", negative_d0, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSRsymm_VecMult_CAB, "m negative", negative_d1, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSRsymm_VecMult_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSRsymm_VecMult_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every row and one past the last"},
    {K::CSRsymm_VecMult_CAB, "Aptr[0] not 0", aptr_start_one, SPK_ERR_APTR, "Aptr[0] = 1 is not 0: values are read from Aval[0] on, so the first row must start at position 0"},
    {K::CSRsymm_VecMult_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSRsymm_VecMult_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSRsymm_VecMult_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSRsymm_VecMult_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSRsymm_VecMult_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in row 0 is out of range: column indices on or above the diagonal must be less than m = 2"},
    {K::CSRsymm_VecMult_CAB, "index negative", index_negative, SPK_OK, ""},
    {K::CSRsymm_VecMult_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than m = 2: B must hold m elements"},
    {K::CSRsymm_VecMult_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than m = 2: C must hold m elements"},
    {K::CSRsymm_VecMult_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses m = 2 elements of it"},
    {K::CSRsymm_VecMult_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses m = 2 elements of it"},
    {K::CSRsymm_VecMult_CAB, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSRsymm_VecMult_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSRsymm_VecMult_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSRsymm_VecMult_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSRsymm_VecMult_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSRsymm_VecMult_CAB, "no compressed vectors: unread arrays may be null", no_vectors(0), SPK_OK, ""},

    {K::CSRsymm_CmplxVecMult_CAB, "n negative", negative_d0, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSRsymm_CmplxVecMult_CAB, "m negative", negative_d1, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSRsymm_CmplxVecMult_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 3 elements of it"},
    {K::CSRsymm_CmplxVecMult_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than n + 1 = 3: Aptr must hold the start of every row and one past the last"},
    {K::CSRsymm_CmplxVecMult_CAB, "Aptr[0] not 0", aptr_start_one, SPK_ERR_APTR, "Aptr[0] = 1 is not 0: values are read from Aval[0] on, so the first row must start at position 0"},
    {K::CSRsymm_CmplxVecMult_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSRsymm_CmplxVecMult_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSRsymm_CmplxVecMult_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSRsymm_CmplxVecMult_CAB, "AvalIm shorter than the last start", avalim_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of AvalIm (AvalIm_len = 2): every stored entry must lie inside AvalIm"},
    {K::CSRsymm_CmplxVecMult_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSRsymm_CmplxVecMult_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in row 0 is out of range: column indices on or above the diagonal must be less than m = 2"},
    {K::CSRsymm_CmplxVecMult_CAB, "index negative", index_negative, SPK_OK, ""},
    {K::CSRsymm_CmplxVecMult_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 1 is less than m = 2: B must hold m elements"},
    {K::CSRsymm_CmplxVecMult_CAB, "BIm one short", bim_short, SPK_ERR_LENGTH, "BIm_len = 1 is less than m = 2: BIm must hold m elements"},
    {K::CSRsymm_CmplxVecMult_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 1 is less than m = 2: C must hold m elements"},
    {K::CSRsymm_CmplxVecMult_CAB, "CIm one short", cim_short, SPK_ERR_LENGTH, "CIm_len = 1 is less than m = 2: CIm must hold m elements"},
    {K::CSRsymm_CmplxVecMult_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses m = 2 elements of it"},
    {K::CSRsymm_CmplxVecMult_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses m = 2 elements of it"},
    {K::CSRsymm_CmplxVecMult_CAB, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSRsymm_CmplxVecMult_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSRsymm_CmplxVecMult_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSRsymm_CmplxVecMult_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSRsymm_CmplxVecMult_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSRsymm_CmplxVecMult_CAB, "CIm is BIm", cim_is_bim, SPK_ERR_OVERLAP, "CIm overlaps BIm: an output must not share storage with an input"},
    {K::CSRsymm_CmplxVecMult_CAB, "CIm over AvalIm", cim_on_avalim, SPK_ERR_OVERLAP, "CIm overlaps AvalIm: an output must not share storage with an input"},
    {K::CSRsymm_CmplxVecMult_CAB, "CIm over C", cim_on_c, SPK_ERR_OVERLAP, "CIm overlaps C: the outputs must not share storage"},
    {K::CSRsymm_CmplxVecMult_CAB, "no compressed vectors: unread arrays may be null", no_vectors(0), SPK_OK, ""},

    {K::CSC_MatMult_CAB, "m negative", negative_d0, SPK_ERR_DIMENSION, "m = -1 is negative: dimensions must not be negative"},
    {K::CSC_MatMult_CAB, "n negative", negative_d1, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSC_MatMult_CAB, "k negative", negative_d2, SPK_ERR_DIMENSION, "k = -1 is negative: dimensions must not be negative"},
    {K::CSC_MatMult_CAB, "m * n beyond what memory can address", [](Arrays&, Call& c) { c.d[0] = c.d[1] = 2147483647; }, SPK_ERR_DIMENSION, "m * n = 2147483647 * 2147483647 overflows: C would hold more doubles than memory can address"},
    {K::CSC_MatMult_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses k + 1 = 3 elements of it"},
    {K::CSC_MatMult_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 2 is less than k + 1 = 3: Aptr must hold the start of every column and one past the last"},
    {K::CSC_MatMult_CAB, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSC_MatMult_CAB, "Aptr[0] = 1 accepted: positions are absolute", aptr_start_one, SPK_OK, ""},
    {K::CSC_MatMult_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSC_MatMult_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aind (Aind_len = 2): every stored entry must lie inside Aind"},
    {K::CSC_MatMult_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[2] = 3 is beyond the end of Aval (Aval_len = 2): every stored entry must lie inside Aval"},
    {K::CSC_MatMult_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[2] - Aptr[0] = 3 entries are stored"},
    {K::CSC_MatMult_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in column 0 is out of range: row indices must be at least 0 and less than m = 3"},
    {K::CSC_MatMult_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in column 0 is out of range: row indices must be at least 0 and less than m = 3"},
    {K::CSC_MatMult_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 4 is less than (n - 1) * m + k = 5: B must hold every element read with column stride m"},
    {K::CSC_MatMult_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 5 is less than m * n = 6: C must hold m rows of n columns"},
    {K::CSC_MatMult_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses (n - 1) * m + k = 5 elements of it"},
    {K::CSC_MatMult_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses m * n = 6 elements of it"},
    {K::CSC_MatMult_CAB, "C is B", c_is_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_MatMult_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B: an output must not share storage with an input"},
    {K::CSC_MatMult_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSC_MatMult_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSC_MatMult_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSC_MatMult_CAB, "n = 0: nothing is read or written", [](Arrays&, Call& c) { c = Call{K::CSC_MatMult_CAB}; c.d[0] = 3, c.d[2] = 2; }, SPK_OK, ""},
    {K::CSC_MatMult_CAB, "k = 0: C alone is written", no_vectors(2), SPK_OK, ""},

    {K::CSC_VecTriangSlvLD_CAB, "n negative", negative_d0, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSC_VecTriangSlvLD_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 4 elements of it"},
    {K::CSC_VecTriangSlvLD_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 3 is less than n + 1 = 4: Aptr must hold the start of every column and one past the last"},
    {K::CSC_VecTriangSlvLD_CAB, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSC_VecTriangSlvLD_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 5 is less than Aptr[1] = 6: start positions must not decrease"},
    {K::CSC_VecTriangSlvLD_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aind (Aind_len = 5): every stored entry must lie inside Aind"},
    {K::CSC_VecTriangSlvLD_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aval (Aval_len = 5): every stored entry must lie inside Aval"},
    {K::CSC_VecTriangSlvLD_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[3] - Aptr[0] = 6 entries are stored"},
    {K::CSC_VecTriangSlvLD_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in column 0 is out of range: row indices must be at least 0 and less than n = 3"},
    {K::CSC_VecTriangSlvLD_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in column 0 is out of range: row indices must be at least 0 and less than n = 3"},
    {K::CSC_VecTriangSlvLD_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 2 is less than n = 3: B must hold the right-hand side of order n"},
    {K::CSC_VecTriangSlvLD_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 2 is less than n = 3: C must hold the solution of order n"},
    {K::CSC_VecTriangSlvLD_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses n = 3 elements of it"},
    {K::CSC_VecTriangSlvLD_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses n = 3 elements of it"},
    {K::CSC_VecTriangSlvLD_CAB, "C is B", c_is_b, SPK_OK, ""},
    {K::CSC_VecTriangSlvLD_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B without being the same array: a solve may run in place only with C == B"},
    {K::CSC_VecTriangSlvLD_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSC_VecTriangSlvLD_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSC_VecTriangSlvLD_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSC_VecTriangSlvLD_CAB, "no compressed vectors: unread arrays may be null", no_vectors(0), SPK_OK, ""},

    {K::CSC_VecTriangSlvUD_CAB, "n negative", negative_d0, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSC_VecTriangSlvUD_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 4 elements of it"},
    {K::CSC_VecTriangSlvUD_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 3 is less than n + 1 = 4: Aptr must hold the start of every column and one past the last"},
    {K::CSC_VecTriangSlvUD_CAB, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSC_VecTriangSlvUD_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSC_VecTriangSlvUD_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aind (Aind_len = 5): every stored entry must lie inside Aind"},
    {K::CSC_VecTriangSlvUD_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aval (Aval_len = 5): every stored entry must lie inside Aval"},
    {K::CSC_VecTriangSlvUD_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[3] - Aptr[0] = 6 entries are stored"},
    {K::CSC_VecTriangSlvUD_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in column 1 is out of range: row indices must be at least 0 and less than n = 3"},
    {K::CSC_VecTriangSlvUD_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in column 1 is out of range: row indices must be at least 0 and less than n = 3"},
    {K::CSC_VecTriangSlvUD_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 2 is less than n = 3: B must hold the right-hand side of order n"},
    {K::CSC_VecTriangSlvUD_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 2 is less than n = 3: C must hold the solution of order n"},
    {K::CSC_VecTriangSlvUD_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses n = 3 elements of it"},
    {K::CSC_VecTriangSlvUD_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses n = 3 elements of it"},
    {K::CSC_VecTriangSlvUD_CAB, "C is B", c_is_b, SPK_OK, ""},
    {K::CSC_VecTriangSlvUD_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B without being the same array: a solve may run in place only with C == B"},
    {K::CSC_VecTriangSlvUD_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSC_VecTriangSlvUD_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSC_VecTriangSlvUD_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSC_VecTriangSlvUD_CAB, "no compressed vectors: unread arrays may be null", no_vectors(0), SPK_OK, ""},

    {K::CSR_VecTriangSlvLD_CAB, "n negative", negative_d0, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSR_VecTriangSlvLD_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 4 elements of it"},
    {K::CSR_VecTriangSlvLD_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 3 is less than n + 1 = 4: Aptr must hold the start of every row and one past the last"},
    {K::CSR_VecTriangSlvLD_CAB, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSR_VecTriangSlvLD_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 3 is less than Aptr[1] = 4: start positions must not decrease"},
    {K::CSR_VecTriangSlvLD_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aind (Aind_len = 5): every stored entry must lie inside Aind"},
    {K::CSR_VecTriangSlvLD_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aval (Aval_len = 5): every stored entry must lie inside Aval"},
    {K::CSR_VecTriangSlvLD_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[3] - Aptr[0] = 6 entries are stored"},
    {K::CSR_VecTriangSlvLD_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in row 1 is out of range: column indices must be at least 0 and less than n = 3"},
    {K::CSR_VecTriangSlvLD_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in row 1 is out of range: column indices must be at least 0 and less than n = 3"},
    {K::CSR_VecTriangSlvLD_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 2 is less than n = 3: B must hold the right-hand side of order n"},
    {K::CSR_VecTriangSlvLD_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 2 is less than n = 3: C must hold the solution of order n"},
    {K::CSR_VecTriangSlvLD_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses n = 3 elements of it"},
    {K::CSR_VecTriangSlvLD_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses n = 3 elements of it"},
    {K::CSR_VecTriangSlvLD_CAB, "C is B", c_is_b, SPK_OK, ""},
    {K::CSR_VecTriangSlvLD_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B without being the same array: a solve may run in place only with C == B"},
    {K::CSR_VecTriangSlvLD_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSR_VecTriangSlvLD_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSR_VecTriangSlvLD_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSR_VecTriangSlvLD_CAB, "no compressed vectors: unread arrays may be null", no_vectors(0), SPK_OK, ""},

    {K::CSR_VecTriangSlvUD_CAB, "n negative", negative_d0, SPK_ERR_DIMENSION, "n = -1 is negative: dimensions must not be negative"},
    {K::CSR_VecTriangSlvUD_CAB, "Aptr null", aptr_null, SPK_ERR_NULL, "Aptr is null but the call uses n + 1 = 4 elements of it"},
    {K::CSR_VecTriangSlvUD_CAB, "Aptr one short", aptr_short, SPK_ERR_APTR, "Aptr_len = 3 is less than n + 1 = 4: Aptr must hold the start of every row and one past the last"},
    {K::CSR_VecTriangSlvUD_CAB, "Aptr[0] negative", aptr_start_negative, SPK_ERR_APTR, "Aptr[0] = -1 is negative: start positions must not be negative"},
    {K::CSR_VecTriangSlvUD_CAB, "Aptr decreasing", aptr_decreases, SPK_ERR_APTR, "Aptr[2] = 5 is less than Aptr[1] = 6: start positions must not decrease"},
    {K::CSR_VecTriangSlvUD_CAB, "Aind shorter than the last start", aind_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aind (Aind_len = 5): every stored entry must lie inside Aind"},
    {K::CSR_VecTriangSlvUD_CAB, "Aval shorter than the last start", aval_short, SPK_ERR_APTR, "Aptr[3] = 6 is beyond the end of Aval (Aval_len = 5): every stored entry must lie inside Aval"},
    {K::CSR_VecTriangSlvUD_CAB, "Aind null", aind_null, SPK_ERR_NULL, "Aind is null but Aptr[3] - Aptr[0] = 6 entries are stored"},
    {K::CSR_VecTriangSlvUD_CAB, "index too large", index_high, SPK_ERR_INDEX, "Aind[1] = 99 in row 0 is out of range: column indices must be at least 0 and less than n = 3"},
    {K::CSR_VecTriangSlvUD_CAB, "index negative", index_negative, SPK_ERR_INDEX, "Aind[1] = -1 in row 0 is out of range: column indices must be at least 0 and less than n = 3"},
    {K::CSR_VecTriangSlvUD_CAB, "B one short", b_short, SPK_ERR_LENGTH, "B_len = 2 is less than n = 3: B must hold the right-hand side of order n"},
    {K::CSR_VecTriangSlvUD_CAB, "C one short", c_short, SPK_ERR_LENGTH, "C_len = 2 is less than n = 3: C must hold the solution of order n"},
    {K::CSR_VecTriangSlvUD_CAB, "B null", b_null, SPK_ERR_NULL, "B is null but the call uses n = 3 elements of it"},
    {K::CSR_VecTriangSlvUD_CAB, "C null", c_null, SPK_ERR_NULL, "C is null but the call uses n = 3 elements of it"},
    {K::CSR_VecTriangSlvUD_CAB, "C is B", c_is_b, SPK_OK, ""},
    {K::CSR_VecTriangSlvUD_CAB, "C inside B", c_inside_b, SPK_ERR_OVERLAP, "C overlaps B without being the same array: a solve may run in place only with C == B"},
    {K::CSR_VecTriangSlvUD_CAB, "C over Aval", c_on_aval, SPK_ERR_OVERLAP, "C overlaps Aval: an output must not share storage with an input"},
    {K::CSR_VecTriangSlvUD_CAB, "C over Aind", c_on_aind, SPK_ERR_OVERLAP, "C overlaps Aind: an output must not share storage with an input"},
    {K::CSR_VecTriangSlvUD_CAB, "C over Aptr", c_on_aptr, SPK_ERR_OVERLAP, "C overlaps Aptr: an output must not share storage with an input"},
    {K::CSR_VecTriangSlvUD_CAB, "no compressed vectors: unread arrays may be null", no_vectors(0), SPK_OK, ""},
    {K::CSC_VecTriangSlvLD_CAB, "vector 1 empty", [](Arrays& s, Call&) { s.Aptr[2] = s.Aptr[1]; }, SPK_ERR_STRUCTURE, "Aptr[1] = Aptr[2] = 3: column 1 stores no entry, but a solve needs the diagonal entry of every column"},
    {K::CSC_VecTriangSlvUD_CAB, "vector 1 empty", [](Arrays& s, Call&) { s.Aptr[2] = s.Aptr[1]; }, SPK_ERR_STRUCTURE, "Aptr[1] = Aptr[2] = 1: column 1 stores no entry, but a solve needs the diagonal entry of every column"},
    {K::CSR_VecTriangSlvLD_CAB, "vector 1 empty", [](Arrays& s, Call&) { s.Aptr[2] = s.Aptr[1]; }, SPK_ERR_STRUCTURE, "Aptr[1] = Aptr[2] = 1: row 1 stores no entry, but a solve needs the diagonal entry of every row"},
    {K::CSR_VecTriangSlvUD_CAB, "vector 1 empty", [](Arrays& s, Call&) { s.Aptr[2] = s.Aptr[1]; }, SPK_ERR_STRUCTURE, "Aptr[1] = Aptr[2] = 3: row 1 stores no entry, but a solve needs the diagonal entry of every row"},
    {K::CSC_VecTriangSlvLD_CAB, "first entry of column 0 not the diagonal", [](Arrays& s, Call&) { s.Aind[0] = 1, s.Aind[1] = 0; }, SPK_ERR_STRUCTURE, "Aind[0] = 1 is the first entry of column 0 but not its diagonal: the solve divides by the first stored entry of each column, so it must have row index 0"},
    {K::CSC_VecTriangSlvLD_CAB, "entry above the diagonal", set_index(4, 0), SPK_ERR_STRUCTURE, "Aind[4] = 0 in column 1 is not below the diagonal: every entry of column 1 but the divisor must have a row index greater than 1"},
    {K::CSC_VecTriangSlvLD_CAB, "second entry on the diagonal", set_index(4, 1), SPK_ERR_STRUCTURE, "Aind[4] = 1 in column 1 is not below the diagonal: every entry of column 1 but the divisor must have a row index greater than 1"},
    {K::CSC_VecTriangSlvUD_CAB, "last entry of column 1 not the diagonal", [](Arrays& s, Call&) { s.Aind[1] = 1, s.Aind[2] = 0; }, SPK_ERR_STRUCTURE, "Aind[2] = 0 is the last entry of column 1 but not its diagonal: the solve divides by the last stored entry of each column, so it must have row index 1"},
    {K::CSC_VecTriangSlvUD_CAB, "entry on the diagonal before the last", set_index(3, 2), SPK_ERR_STRUCTURE, "Aind[3] = 2 in column 2 is not above the diagonal: every entry of column 2 but the divisor must have a row index less than 2"},
    {K::CSR_VecTriangSlvLD_CAB, "row 1 without its diagonal", set_index(2, 0), SPK_ERR_STRUCTURE, "row 1 stores no entry with column index 1: a lower solve needs the diagonal entry of every row"},
    {K::CSR_VecTriangSlvLD_CAB, "row 1 with its diagonal twice", set_index(1, 1), SPK_ERR_STRUCTURE, "Aind[2] = 1 repeats the diagonal entry of row 1 (first at Aind[1]): a row must store its diagonal entry once"},
    {K::CSR_VecTriangSlvLD_CAB, "entry right of the diagonal", set_index(1, 2), SPK_ERR_STRUCTURE, "Aind[1] = 2 in row 1 is not left of the diagonal: every entry of row 1 but the divisor must have a column index less than 1"},
    {K::CSR_VecTriangSlvUD_CAB, "first entry of row 0 not the diagonal", [](Arrays& s, Call&) { s.Aind[0] = 1, s.Aind[1] = 0; }, SPK_ERR_STRUCTURE, "Aind[0] = 1 is the first entry of row 0 but not its diagonal: the solve divides by the first stored entry of each row, so it must have column index 0"},
    {K::CSR_VecTriangSlvUD_CAB, "entry left of the diagonal", set_index(4, 0), SPK_ERR_STRUCTURE, "Aind[4] = 0 in row 1 is not right of the diagonal: every entry of row 1 but the divisor must have a column index greater than 1"},
    {K::CSC_VecTriangSlvLD_CAB, "zero divisor reported on request", zero_divisor(3, 0.0, SPK_CHECK_ZERO_DIVISOR), SPK_ERR_ZERO_DIVISOR, "Aval[3] = 0 is the divisor of column 1: dividing by zero gives an infinity or NaN"},
    {K::CSC_VecTriangSlvLD_CAB, "zero divisor allowed otherwise", zero_divisor(3, 0.0, 0), SPK_OK, ""},
    {K::CSC_VecTriangSlvUD_CAB, "zero divisor reported on request", zero_divisor(2, 0.0, SPK_CHECK_ZERO_DIVISOR), SPK_ERR_ZERO_DIVISOR, "Aval[2] = 0 is the divisor of column 1: dividing by zero gives an infinity or NaN"},
    {K::CSC_VecTriangSlvUD_CAB, "zero divisor allowed otherwise", zero_divisor(2, 0.0, 0), SPK_OK, ""},
    {K::CSR_VecTriangSlvLD_CAB, "zero divisor reported on request", zero_divisor(2, 0.0, SPK_CHECK_ZERO_DIVISOR), SPK_ERR_ZERO_DIVISOR, "Aval[2] = 0 is the divisor of row 1: dividing by zero gives an infinity or NaN"},
    {K::CSR_VecTriangSlvLD_CAB, "zero divisor allowed otherwise", zero_divisor(2, 0.0, 0), SPK_OK, ""},
    {K::CSR_VecTriangSlvUD_CAB, "zero divisor reported on request", zero_divisor(3, 0.0, SPK_CHECK_ZERO_DIVISOR), SPK_ERR_ZERO_DIVISOR, "Aval[3] = 0 is the divisor of row 1: dividing by zero gives an infinity or NaN"},
    {K::CSR_VecTriangSlvUD_CAB, "zero divisor allowed otherwise", zero_divisor(3, 0.0, 0), SPK_OK, ""},
    {K::CSC_VecTriangSlvLD_CAB, "negative zero divisor reported on request", zero_divisor(0, -0.0, SPK_CHECK_ZERO_DIVISOR), SPK_ERR_ZERO_DIVISOR, "Aval[0] = -0 is the divisor of column 0: dividing by zero gives an infinity or NaN"},
};

TEST(Checker, RefusesEachMalformedCallWithItsMessage) {
  for (const Row& row : kCatalogue) {
    Arrays s = base(row.kernel);
    Call c = s.bind();
    ASSERT_EQ(verdict(c), "SPK_OK") << symbol(row.kernel) << ": the base operand";
    row.mutate(s, c);
    char message[512];
    std::memset(message, 'x', sizeof message);
    const int code = check(c, message, sizeof message);
    const std::string want = std::string(spk_check_error_name(row.code)) +
                             (row.code ? std::string(": ") + row.message : "");
    EXPECT_EQ(verdict(c), want) << symbol(row.kernel) << ": " << row.what;
    if (code == SPK_OK) EXPECT_STREQ(message, "") << "an accepted call leaves an empty message";
  }
}

}  // namespace

namespace {

TEST(Checker, MessageIsTruncatedToItsBufferAndAlwaysTerminated) {
  Arrays s = base(K::CSC_VecMult_CAB);
  Call c = s.bind();
  s.Aptr[1] = 9;  // Aptr = {0, 9, 3}
  char full[512];
  ASSERT_EQ(check(c, full, sizeof full), SPK_ERR_APTR);
  EXPECT_STREQ(full, "Aptr[2] = 3 is less than Aptr[1] = 9: start positions must not decrease");
  char small[11];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(check(c, small, 10), SPK_ERR_APTR);
  EXPECT_STREQ(small, "Aptr[2] =");  // nine characters and the NUL
  EXPECT_EQ(small[10], 'x') << "nothing written past message_size";
  EXPECT_EQ(check(c, nullptr, 0), SPK_ERR_APTR) << "no buffer: the code alone";
}

TEST(Checker, NamesEveryErrorCode) {
  const char* names[] = {"SPK_OK",          "SPK_ERR_DIMENSION", "SPK_ERR_APTR",
                         "SPK_ERR_INDEX",   "SPK_ERR_LENGTH",    "SPK_ERR_OVERLAP",
                         "SPK_ERR_STRUCTURE", "SPK_ERR_ZERO_DIVISOR", "SPK_ERR_NULL"};
  for (int code = 0; code <= SPK_ERR_NULL; ++code)
    EXPECT_STREQ(spk_check_error_name(code), names[code]);
  EXPECT_STREQ(spk_check_error_name(9), "unknown");
  EXPECT_STREQ(spk_check_error_name(-1), "unknown");
}

// ---- The C++ interface -----------------------------------------------------------------------

int kernel_calls = 0;
void CSC_VecTriangSlvLD_CAB_double_separate(int32_t n, const double* Aval, const int32_t* Aind,
                                            const int32_t* Aptr, const double* B, double* C) {
  spk::csc_lower_solve<spk::Separate>(n, Aval, Aind, Aptr, B, C);
}
// A kernel of the exported type that records that it ran, and computes the separately rounded
// product from the template.
void counting_csc_vec_mult(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                           const int32_t* Aptr, const double* B, double* C) {
  ++kernel_calls;
  spk::csc_vec_mult<spk::Separate>(m, n, Aval, Aind, Aptr, B, C);
}

TEST(CheckedCalls, RefuseWithTheCheckersCodeAndMessageAndCallNothing) {
  const std::vector<int32_t> Aptr{0, 2, 3}, Aind{0, 5, 1};
  const std::vector<double> Aval{1, 2, 3}, B{1, 1};
  std::vector<double> C{7, 7};
  kernel_calls = 0;
  try {
    spk::checked::CSC_VecMult_CAB_double(&counting_csc_vec_mult, 2, 2, {Aval, Aind, Aptr}, B, C);
    FAIL() << "no exception";
  } catch (const spk::operand_error& e) {
    EXPECT_EQ(e.code(), SPK_ERR_INDEX);
    EXPECT_STREQ(e.code_name(), "SPK_ERR_INDEX");
    EXPECT_STREQ(e.what(),
                 "Aind[1] = 5 in column 0 is out of range: row indices must be at least 0 and "
                 "less than m = 2");
  }
  EXPECT_EQ(kernel_calls, 0) << "a refused call must not reach the kernel";
  EXPECT_EQ(C, (std::vector<double>{7, 7}));
}

TEST(CheckedCalls, RunTheKernelWhenTheCallIsValid) {
  const std::vector<int32_t> Aptr{0, 2, 3}, Aind{0, 1, 1};
  const std::vector<double> Aval{1, 2, 3}, B{1, 1};
  std::vector<double> C(2);
  kernel_calls = 0;
  spk::checked::CSC_VecMult_CAB_double(&counting_csc_vec_mult, 2, 2, {Aval, Aind, Aptr}, B, C);
  EXPECT_EQ(kernel_calls, 1);
  EXPECT_EQ(C, (std::vector<double>{1, 5}));

  // A solve in place: B and C are the same memory. A captureless lambda picks the scheme.
  const std::vector<int32_t> Lptr{0, 3, 5, 6}, Lind{0, 1, 2, 1, 2, 2};
  const std::vector<double> Lval{2, 1, 3, 4, -1, 5};
  std::vector<double> x{2, 5, 12};
  spk::checked::CSC_VecTriangSlvLD_CAB_double(
      +[](int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
          const double* B, double* C) { spk::csc_lower_solve<spk::Fused>(n, Aval, Aind, Aptr, B, C); },
      3, {Lval, Lind, Lptr}, x, x);
  EXPECT_EQ(x, (std::vector<double>{1, 1, 2}));
  // The zero divisor is refused only on request.
  std::vector<double> zero = Lval;
  zero[3] = 0.0;
  std::vector<double> y{2, 5, 12};
  EXPECT_THROW(spk::checked::CSC_VecTriangSlvLD_CAB_double(
                   &CSC_VecTriangSlvLD_CAB_double_separate, 3, {zero, Lind, Lptr}, y, y,
                   SPK_CHECK_ZERO_DIVISOR),
               spk::operand_error);
}

}  // namespace

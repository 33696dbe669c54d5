// Two calculations of the same stage, compared field by field and bit for
// bit.  Used against the MPFR model and between the two kinds of arithmetic.
#ifndef AMPSTAGE_TESTS_STAGE_COMPARE_H
#define AMPSTAGE_TESTS_STAGE_COMPARE_H

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "stage.h"

// The MPFR model has no sign or payload for a NaN, so against it any NaN
// matches any other; between two kinds of hardware or software arithmetic
// the NaN's bits must agree as well.
enum class NaNs { any, same_bits };

// The fields in which `got` differs from `want`, with both values, or an
// empty string when every field has the same bits.
inline std::string stage_differences(const Stage &got, const ReportValues &got_r, const Stage &want,
				     const ReportValues &want_r, NaNs nans)
{
	std::string text;
	auto check = [&](const char *name, auto a, auto b) {
		using Bits = std::conditional_t<sizeof a == 4, std::uint32_t, std::uint64_t>;
		const bool same = nans == NaNs::any && (std::isnan(a) || std::isnan(b))
					  ? std::isnan(a) && std::isnan(b)
					  : std::bit_cast<Bits>(a) == std::bit_cast<Bits>(b);
		if (!same) {
			char line[120];
			std::snprintf(line, sizeof line, " %s is %a, not %a;", name, double(a), double(b));
			text += line;
		}
	};
	check("Rb", got.Rb, want.Rb);
	check("Up", got.Up, want.Up);
	check("Ut", got.Ut, want.Ut);
	check("Ip", got.Ip, want.Ip);
	check("Pv", got.Pv, want.Pv);
	check("Pp", got.Pp, want.Pp);
	check("KPD", got.KPD, want.KPD);
	check("Pt", got.Pt, want.Pt);
	check("Prp", got.Prp, want.Prp);
	check("Prs", got.Prs, want.Prs);
	check("Pb", got.Pb, want.Pb);
	check("load_pulse_current", got_r.load_pulse_current, want_r.load_pulse_current);
	check("transistor_pulse_current", got_r.transistor_pulse_current, want_r.transistor_pulse_current);
	check("transistor_rest_voltage", got_r.transistor_rest_voltage, want_r.transistor_rest_voltage);
	check("ballast_rest_voltage", got_r.ballast_rest_voltage, want_r.ballast_rest_voltage);
	return text;
}

#endif

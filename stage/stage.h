// The quantities of a class-A amplifier stage with a ballast resistor and
// the formulas that derive them from the three values the user gives.
#ifndef AMPSTAGE_STAGE_STAGE_H
#define AMPSTAGE_STAGE_STAGE_H

// Every quantity is held in single precision.  Resistances are in ohms,
// voltages in volts, currents in amperes, powers in watts, KPD in percent.
struct Stage {
	float Rn;   // resistance of the load (input)
	float U;    // supply voltage of the amplifier (input)
	float Ut0;  // minimum voltage across the transistor (input)
	float Rb;   // optimal resistance of the ballast resistor
	float Up;   // supply voltage less the transistor's minimum voltage
	float Ut;   // maximum amplitude of the output voltage
	float Ip;   // current consumed by the stage
	float Pv;   // maximum sinusoidal output power in the load
	float Pp;   // power consumed by the amplifier
	float KPD;  // efficiency of the amplifier
	float Pt;   // maximum power dissipated in the transistor
	float Prp;  // power dissipated in the ballast resistor at rest
	float Prs;  // maximum power in the ballast resistor from the alternating component
	float Pb;   // maximum power dissipated in the ballast resistor
};

// Values worked out for the report only; they are never rounded to single
// precision, so they carry more digits than the quantities they come from.
struct ReportValues {
	double load_pulse_current;        // A
	double transistor_pulse_current;  // A
	double transistor_rest_voltage;   // V
	double ballast_rest_voltage;      // V
};

// Fills in every derived quantity of `s` from its three inputs, and the
// report values from the quantities.  Nothing is checked: a zero, a negative
// value or a NaN among the inputs flows through as IEEE arithmetic gives it.
void compute_stage(Stage &s, ReportValues &r);

// A quantity as the report prints it: its float widened to double, exactly,
// so that a NaN keeps its sign on every processor.
double reported(float quantity);

#endif

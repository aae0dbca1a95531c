# Distortion correction under Wine: "estimate" on a generated AP/PA phantom
# pair (peak field 5 voxels), the displacement maps compared with the Linux
# run's within float tolerance (the Windows host's portable transforms round
# differently from FFTW). The undistorted copies are left out: their 16-bit
# values may round a step apart where the maps differ in the last digit.
phantom="$work/phantom"
rm -rf "$phantom"
"$lin/talvora-make-phantom" --out "$phantom" >/dev/null
printf '%s\n' '{"plugin": "Mirel_r122", "documents": {"fmr": "run_ap.fmr"}, "commands": [{"command": "estimate",' \
  ' "parameters": {"file0": "run_ap.fmr", "file1": "run_pa.fmr", "volume0": 0, "volume1": 0, "rllr": 0,' \
  ' "use_ic": 0, "use_ssd": 1, "apply_to_input": 0, "save_derivative": 1, "order": 0}, "print": ["vdm"]}]}' \
  >"$phantom/ap_pa_sev5/job_windows.json"
same_job_results "distortion" "$phantom/ap_pa_sev5" job_windows.json "fmrmaps 1e-4"

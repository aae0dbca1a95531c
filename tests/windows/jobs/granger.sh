# Granger causality mapping under Wine: the generated study's job (every form
# command, both interval methods, three subjects, the group files) with the
# surrogates' clock fixed, maps compared with the Linux run's within float
# tolerance (logarithms of the two C libraries may round differently).
gcm_study="$work/gcm-study"
rm -rf "$gcm_study"
"$lin/talvora-make-gcm-study" --out "$gcm_study" >/dev/null
# The plug-in reads its settings from its own folder.
cp "$gcm_study/VUVIrurar.ini" "$lin/plugins/VUVIrurar.ini"
cp "$gcm_study/VUVIrurar.ini" "$win/plugins/VUVIrurar.ini"
export TALVORA_GCM_FIXED_CLOCK=1700000000
same_job_results "granger" "$gcm_study" job_gcm.json "maps 1e-4"
unset TALVORA_GCM_FIXED_CLOCK

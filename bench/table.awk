# The CSV of bench/run.sh as a Markdown table: each figure beside its baseline.
BEGIN {
    FS = ","
    print "| figure | platform | unit | n | median | p99 | max | baseline | n | median | p99 | ratio | goal | met |"
    print "|---|---|---|--:|--:|--:|--:|---|--:|--:|--:|--:|---|---|"
}
NR > 1 {
    printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
        $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $14, $15, $16
}

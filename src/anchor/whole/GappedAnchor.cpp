// Re-alignment of gapped anchors for torva-b (whole segment).

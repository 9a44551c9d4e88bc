"""What QGIS itself puts in each class of a layer's legend, for tests to
compare labels with: the features QGIS's own feature counter gives each
legend item, and for a categorized renderer's all-other-values category the
features QGIS draws with its symbol. Also a label expression whose labels
fingerprint a class's records, and reading those labels back."""
from qgis.core import (QgsCategorizedSymbolRenderer, QgsExpressionContext, QgsExpressionContextUtils,
                       QgsFeatureRequest, QgsRenderContext, QgsVectorLayerFeatureCounter)

# Count, sum, minimum and maximum of a unique integer field tell one set of
# records from another.
def fingerprint_expression(field="N"):
    return f"[{field}].Count/[{field}].Sum/[{field}].Minimum/[{field}].Maximum"


def fingerprint(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return f"{len(values)}/{sum(values):.15g}/{min(values):.15g}/{max(values):.15g}"


def legend_ids(layer):
    """[(legend item label, set of feature IDs)] in QGIS's legend order: a
    category holds the features QGIS draws with its symbol (each category
    has a symbol of its own colour), a range or a rule those its feature
    counter gives it."""
    renderer = layer.renderer()
    if isinstance(renderer, QgsCategorizedSymbolRenderer):
        colours = [c.symbol().color().name() for c in renderer.categories()]
        assert len(set(colours)) == len(colours), "each category needs a colour of its own"
        out = [(c.label(), set()) for c in renderer.categories()]
        for fid, colour in _drawn(layer).items():
            if colour in colours:
                out[colours.index(colour)][1].add(fid)
        return out
    context = QgsExpressionContext(QgsExpressionContextUtils.globalProjectLayerScopes(layer))
    counter = QgsVectorLayerFeatureCounter(layer, context, True)
    counter.run()
    return [(item.label(), set(counter.featureIds(item.ruleKey()))) for item in renderer.legendSymbolItems()]


def _drawn(layer):
    """The colour of the symbol QGIS draws each feature with (None: none)."""
    renderer = layer.renderer().clone()
    context = QgsRenderContext()
    context.expressionContext().appendScopes(QgsExpressionContextUtils.globalProjectLayerScopes(layer))
    renderer.startRender(context, layer.fields())
    out = {}
    for f in layer.getFeatures():
        context.expressionContext().setFeature(f)
        s = renderer.symbolForFeature(f, context)
        out[f.id()] = None if s is None else s.color().name()
    renderer.stopRender(context)
    return out


def expected_fingerprints(layer, field="N", order=None):
    """Per class, in the program's order (QGIS's, the all-other-values
    category last): the fingerprint of its records, None when it has none."""
    values = {f.id(): f[field] for f in layer.getFeatures(QgsFeatureRequest())}
    items = legend_ids(layer)
    renderer = layer.renderer()
    if order is None:
        order = list(range(len(items)))
        if isinstance(renderer, QgsCategorizedSymbolRenderer):
            other = [i for i, c in enumerate(renderer.categories()) if c.value() in (None, "")]
            if other:
                order.remove(other[0])
                order.append(other[0])
    return [fingerprint([values[i] for i in items[k][1] if i in values]) for k in order]
